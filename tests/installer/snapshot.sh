# The state an uninstall must restore: the registry as regedit exports it and
# the files of drive C:. Left out: the user's settings, which a silent
# uninstall keeps, HKLM\Hardware, which the system fills anew at every
# start (Wine's desktop process writes its display there), and the system's
# font list, where Wine enters its bitmap fonts when a process first needs them.
kept_keys='^\[HKEY_(CURRENT_USER|USERS\\[^]]*)\\Software\\Tarn Sonelle'
system_keys='^\[HKEY_LOCAL_MACHINE\\(Hardware\\|Software\\Microsoft\\Windows( NT)?\\CurrentVersion\\Fonts\])'

# Drops every section whose [header] matches the pattern.
without_sections() {
  PATTERN="$1" awk '/^\[/ { skip = ($0 ~ ENVIRON["PATTERN"]) } !skip'
}

snapshot() {  # NAME
  local raw="$work/$1.reg.raw"
  w regedit /E "$(win "$raw")" >>"$WINE_LOG"
  [ -s "$raw" ] || { echo "regedit exported nothing"; return 1; }
  iconv -f UTF-16LE -t UTF-8 "$raw" | tr -d '\r' | without_sections "$kept_keys|$system_keys" >"$work/$1.reg"
  (cd "$WINEPREFIX/drive_c" && find . -print | sort) >"$work/$1.files"
}

# Compares the snapshot NAME with the one taken before the install.
same_as_before() {
  local bad=0
  diff "$work/before.reg" "$work/$1.reg" >"$work/$1.reg.diff" ||
    { echo "the registry differs from before the install ($work/$1.reg.diff):"; head -40 "$work/$1.reg.diff"; bad=1; }
  diff "$work/before.files" "$work/$1.files" >"$work/$1.files.diff" ||
    { echo "the files differ from before the install ($work/$1.files.diff):"; head -40 "$work/$1.files.diff"; bad=1; }
  return $bad
}
