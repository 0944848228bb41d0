# Clients converting through the installed extension (the 64-bit one unless
# told), and the upgrade and the uninstall around them.
client="$client64"
client_pid=""
release() { touch "$work/release-$1"; }

start_client() {  # NAME [hold], with $client
  mkdir -p "$work/$1"
  cp "$root/fixtures/cbr128.mp3" "$work/$1/a.mp3"
  local hold=(); [ -n "${2:-}" ] && hold=("$(win "$work/release-$1")")
  wine "$client" "$(win "$work/$1/a.mp3")" "$(win "$work/$1/a.wav")" "${hold[@]}" </dev/null >"$work/$1.log" 2>>"$WINE_LOG" &
  client_pid=$!
}
client_said() { grep -q "$2" "$work/$1.log" 2>/dev/null; }
client_ended() { ! kill -0 "$client_pid" 2>/dev/null; }
client_result() {  # NAME: waits for the client's end, prints its log on failure
  wait_for 90 client_ended || { echo "the client did not end:"; cat "$work/$1.log"; return 1; }
  wait "$client_pid"; local rc=$?
  [ $rc -eq 0 ] || { echo "the client ended with $rc:"; cat "$work/$1.log"; return 1; }
}

check_conversion() {  # NAME EXTENSION
  local log="$work/$1.log" size
  grep -qF 'extension: C:\Program Files (x86)\Wavory\'"$2" "$log" ||
    { echo "the menu did not come from the installed $2:"; cat "$log"; return 1; }
  grep -qF 'program: C:\Program Files (x86)\Wavory\Wavory.exe' "$log" ||
    { echo "the conversion was not done by the installed program:"; cat "$log"; return 1; }
  size=$(stat -c %s "$work/$1/a.wav" 2>/dev/null || echo 0)
  # 5 s of CD-format sound are 882000 bytes, give or take the decoder's edges.
  [ "$size" -gt 850000 ] || { echo "a.wav has $size bytes"; return 1; }
  [ "$(head -c 4 "$work/$1/a.wav")" = RIFF ] || { echo "a.wav is no RIFF file"; return 1; }
}

# Wine's restart: what was left to go at the next restart goes.
restart() {
  w wineboot -r >>"$WINE_LOG"
}

# Converts through the 64-bit extension and keeps it loaded, as Explorer does.
convert_holding() {  # NAME
  start_client "$1" hold
  wait_for 90 eval "client_said $1 'holding the extension' || client_ended"
  client_said "$1" "holding the extension" || { echo "the client did not convert:"; cat "$work/$1.log"; return 1; }
  check_conversion "$1" Sonelle64.dll
}

# A 32-bit program's file dialog: the 32-bit extension, registered in its own view.
convert_32() {
  local client="$client32"
  start_client first32
  client_result first32 && check_conversion first32 Sonelle.dll
}

convert_and_hold() {
  w reg add "$settings_key" /v NormalizeValue /t REG_DWORD /d 97 /f >>"$WINE_LOG" || return 1
  convert_holding first
}

# What is left for the restart, one path a line (PendingFileRenameOperations
# holds pairs of source and target, an empty target for a deletion).
pending_paths() {
  reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations 64 |
    sed 's/\\0/\n/g' | sed -n 's/^\\??\\//p'
}

upgrade() {
  local dll bad=0 old_inode rc v pending
  dll="$(program_dir)/Sonelle64.dll"
  old_inode=$(stat -c %i "$dll")
  rc=$(exit_code_of -- "$(win "$setup")" /S)
  [ "$rc" = 3010 ] || { echo "the upgrade exited with '$rc', not 3010 (done, a held file goes at the restart)"; bad=1; }
  [ "$(stat -c %i "$dll" 2>/dev/null)" != "$old_inode" ] || { echo "Sonelle64.dll is still the old file"; bad=1; }
  cmp -s "$dll" "$root/installer/stage/Sonelle64.dll" || { echo "Sonelle64.dll is not the new build's"; bad=1; }
  v=$(reg_value "$uninstall_key" DisplayVersion 32); [ "$v" = "$version" ] || { echo "DisplayVersion after the upgrade: '$v'"; bad=1; }
  v=$(reg_value "$settings_key" NormalizeValue 64); [ "$v" = 0x61 ] || { echo "settings not kept: NormalizeValue '$v'"; bad=1; }
  pending=$(pending_paths | tr '\n' ' ')
  [[ "$pending" == *'\Wavory\ns'*.tmp* ]] || { echo "the held extension was not moved aside: '$pending'"; bad=1; }
  echo "upgrade exit code $rc; to go at the restart: $pending"
  # Explorer lets go of the old extension; the restart removes what was moved aside.
  release first
  client_result first || bad=1
  restart
  return $bad
}

convert_again() {
  convert_holding second
}

uninstall() {
  local rc bad=0 left path
  # As Apps & Features does: the registered quiet command, waited for alone.
  # Explorer still holds the extension: it is moved aside and the caller told.
  rc=$(exit_code_of "$uninstall_key" QuietUninstallString)
  [ "$rc" = 3010 ] || { echo "the silent uninstall exited with '$rc', not 3010 (done, a held file goes at the restart)"; bad=1; }
  # When it returns, only its own running file and the held one may be left, to go at the restart.
  while read -r path; do
    case "$path" in
      '' | Uninstall.exe | ns*.tmp) ;;
      *) echo "left in the program folder: $path"; bad=1 ;;
    esac
  done < <(ls -A "$(program_dir)" 2>/dev/null)
  [ ! -e "$(menu_dir)" ] || { echo "the Start-menu folder is still there"; bad=1; }
  while read -r path; do
    case "$path" in
      *'\Wavory' | *'\Wavory\' | *'\Wavory\Uninstall.exe' | *'\Wavory\ns'*.tmp | *'\Temp\ns'*.tmp) ;;
      *) echo "left for the restart: $path"; bad=1 ;;
    esac
  done < <(pending_paths)
  echo "uninstall exit code $rc; left for the restart: $(pending_paths | tr '\n' ' ')"
  release second
  client_result second || bad=1
  restart
  snapshot after || return 1
  same_as_before after || bad=1
  return $bad
}
