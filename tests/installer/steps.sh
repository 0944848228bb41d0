# The steps of tests/installer/run.sh. Each step prints what it saw when it
# finds a fault and returns non-zero; it runs in the caller's shell, so later
# steps see what earlier ones left ($client_pid and the like).

. "$repo/tests/cases.sh"

# Polls a command until it succeeds or SECONDS pass.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.2
  done
}
win() { echo "Z:${1//\//\\}"; }
w() { wine "$@" </dev/null 2>>"$WINE_LOG"; }
# Runs a Windows command line through tests/installer/RunWait.cpp; prints its
# whole exit code (Wine's own exit status keeps only 8 bits of it).
exit_code_of() {
  w "$root/x86/tests/run_wait.exe" "$@" | tr -d '\r' | tee -a "$WINE_LOG" | sed -n 's/^exit code: //p'
}

program_dir() { echo "$WINEPREFIX/drive_c/Program Files (x86)/Wavory"; }
menu_dir() { echo "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Wavory"; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Wavory'
settings_key='HKCU\Software\Tarn Sonelle\Wavory\Genenal'

# The value of a registry value as reg.exe shows it, in one registry view.
reg_value() {  # KEY NAME|"" VIEW
  local name=(/v "$2"); [ -z "$2" ] && name=(/ve)
  w reg query "$1" "${name[@]}" "/reg:$3" | tr -d '\r' | sed -n 's/^ *[^ ]* *REG_[A-Z_]* *//p'
}

build_old_setup() {
  bash "$repo/installer/build.sh" "$root" "$old_version" "$work" >"$work/build-old.log" 2>&1 ||
    { tail -20 "$work/build-old.log"; return 1; }
  [ -f "$old_setup" ] || { echo "no $old_setup"; return 1; }
}

# Every shipped binary: Windows 7 (6.1) in its headers, no symbols, and a
# version resource whose product version is the build's.
check_binaries() {
  local bad=0 f tools binary
  binary=$(tr . , <<<"$version" | sed 's/,/, /g')
  for f in "$root/installer/stage"/*.exe "$root/installer/stage"/*.dll; do
    case "$(basename "$f")" in Sonelle64.dll) tools=x86_64-w64-mingw32 ;; *) tools=i686-w64-mingw32 ;; esac
    local headers sections symbols resources
    headers=$("$tools-objdump" -p "$f"); sections=$("$tools-objdump" -h "$f")
    symbols=$("$tools-nm" "$f" 2>&1); resources=$("$tools-windres" -i "$f" -O rc 2>&1)
    grep -q 'MajorSubsystemVersion[[:space:]]*6$' <<<"$headers" && grep -q 'MinorSubsystemVersion[[:space:]]*1$' <<<"$headers" ||
      { echo "$(basename "$f"): subsystem version is not 6.1"; bad=1; }
    ! grep -q '\.debug' <<<"$sections" || { echo "$(basename "$f"): has debug sections"; bad=1; }
    grep -q 'no symbols' <<<"$symbols" || { echo "$(basename "$f"): has a symbol table"; bad=1; }
    grep -q "PRODUCTVERSION $binary" <<<"$resources" ||
      { echo "$(basename "$f"): no version resource with product version $version"; bad=1; }
  done
  return $bad
}

# A per-machine install: Windows asks for elevation before the Setup starts.
check_elevation() {
  grep -aqF 'requestedExecutionLevel level="requireAdministrator"' "$setup" ||
    { echo "the Setup's manifest does not ask for administrator rights"; return 1; }
}

# With a certificate given, every binary, the package and the Setup carry its
# signature; a certificate whose subject is not the package's publisher is
# refused before anything is built (Windows would never register that package).
check_signing() {
  local dir="$work/signed" f bad=0 publisher
  mkdir -p "$dir"
  publisher=$(python3 "$repo/tools/make_msix.py" --publisher "$root/x64/package/AppxManifest.xml")
  make_certificate "$dir" "/${publisher//, //}" || return 1
  WAVORY_SIGN_PKCS12="$dir/cert.p12" WAVORY_SIGN_PASSWORD=test \
    bash "$repo/installer/build.sh" "$root" "$version" "$dir" >"$dir/build.log" 2>&1 || { tail -20 "$dir/build.log"; return 1; }
  for f in "$dir/installer/stage"/*.exe "$dir/installer/stage"/*.dll "$dir/installer/stage"/*.msix "$dir/WavorySetup-$version.exe"; do
    osslsigncode verify -CAfile "$dir/cert.pem" -in "$f" >"$dir/verify.log" 2>&1 ||
      { echo "$(basename "$f") does not carry the given certificate's signature: $(tail -3 "$dir/verify.log")"; bad=1; }
  done
  [ -f "$dir/installer/stage/Wavory.msix" ] || { echo "no package was built"; bad=1; }
  mkdir -p "$dir/other"
  make_certificate "$dir/other" "/CN=Wavory test signer" || return 1
  if WAVORY_SIGN_PKCS12="$dir/other/cert.p12" WAVORY_SIGN_PASSWORD=test \
       bash "$repo/installer/build.sh" "$root" "$version" "$dir/other" >"$dir/other/build.log" 2>&1; then
    echo "a certificate of another subject than '$publisher' was taken"; bad=1
  elif ! grep -qF "is not the package's publisher '$publisher'" "$dir/other/build.log"; then
    echo "the refusal does not say why:"; tail -5 "$dir/other/build.log"; bad=1
  fi
  return $bad
}

# A self-signed certificate with the given subject: DIR/cert.pem and DIR/cert.p12 (password "test").
make_certificate() {  # DIR SUBJECT
  openssl req -x509 -newkey rsa:2048 -nodes -subj "$2" -days 2 \
    -keyout "$1/key.pem" -out "$1/cert.pem" >"$1/openssl.log" 2>&1 &&
    openssl pkcs12 -export -passout pass:test -inkey "$1/key.pem" -in "$1/cert.pem" -out "$1/cert.p12" \
      >>"$1/openssl.log" 2>&1 || { echo "no test certificate:"; cat "$1/openssl.log"; return 1; }
}

# --- the registry as regedit exports it and the files of drive C:, before and after
. "$repo/tests/installer/snapshot.sh"

install_old() {
  snapshot before || return 1
  local rc; rc=$(exit_code_of -- "$(win "$old_setup")" /S)
  [ "$rc" = 0 ] || { echo "the silent install exited with '$rc'"; return 1; }
}

check_files() {
  local dir bad=0 f; dir="$(program_dir)"
  for f in Wavory.exe WavoryCmd.exe mjm.dll libmpg123-0.dll libsoxr.dll libtag.dll Wavory.chm finish.wav LGPL-2.1.txt Sonelle.dll Sonelle64.dll Wavory.msix; do
    cmp -s "$dir/$f" "$work/installer/stage/$f" || { echo "$f: not installed as staged"; bad=1; }
  done
  [ -f "$dir/Uninstall.exe" ] || { echo "no Uninstall.exe"; bad=1; }
  [[ "$(x86_64-w64-mingw32-objdump -f "$dir/Sonelle64.dll")" == *pei-x86-64* ]] || { echo "Sonelle64.dll is not 64-bit code"; bad=1; }
  [[ "$(i686-w64-mingw32-objdump -f "$dir/Sonelle.dll")" == *pei-i386* ]] || { echo "Sonelle.dll is not 32-bit code"; bad=1; }
  [ ! -e "$WINEPREFIX/drive_c/Program Files/Wavory" ] || { echo "a Wavory folder in the 64-bit Program Files"; bad=1; }
  for f in "Wavory.lnk" "Wavory Options.lnk"; do
    [ -f "$(menu_dir)/$f" ] || { echo "no Start-menu entry $f in $(menu_dir)"; bad=1; }
  done
  echo "installed: $(ls "$dir" | tr '\n' ' ')"
  return $bad
}

# The package for Windows 11's menu is installed (64-bit Windows) and names
# only files the install folder, its external location, holds: Windows would
# refuse a package whose program or class file is missing there. Wine cannot
# register packages and reports a Windows before 10 2004, so the Setup leaves
# the package unregistered and the classic menu serves (check_keys and the
# conversions below).
check_package_step() {
  local dir names name bad=0; dir="$(program_dir)"
  [ -f "$dir/Wavory.msix" ] || { echo "no Wavory.msix in $dir"; return 1; }
  names=$(python3 - "$dir/Wavory.msix" <<'PY'
import sys, zipfile, xml.etree.ElementTree as ET
root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read("AppxManifest.xml"))
for element in root.iter():
    for attribute in ("Executable", "Path"):
        if element.get(attribute):
            print(element.get(attribute))
PY
  ) || { echo "the installed package has no readable manifest"; return 1; }
  [ -n "$names" ] || { echo "the installed package names no files"; return 1; }
  while read -r name; do
    [ -f "$dir/${name//\\//}" ] || { echo "the package names $name, which the install folder lacks"; bad=1; }
  done <<<"$names"
  echo "the package names: $(tr '\n' ' ' <<<"$names")"
  return $bad
}

check_keys() {
  local bad=0 clsid='HKCR\CLSID\{DB7CFAED-842B-47E7-9FF4-92852D617958}\InprocServer32' v
  v=$(reg_value "$clsid" "" 64); [[ "$v" == *'Program Files (x86)\Wavory\Sonelle64.dll' ]] || { echo "64-bit view: class server '$v'"; bad=1; }
  v=$(reg_value "$clsid" "" 32); [[ "$v" == *'Program Files (x86)\Wavory\Sonelle.dll' ]] || { echo "32-bit view: class server '$v'"; bad=1; }
  v=$(reg_value 'HKCR\*\shellex\ContextMenuHandlers\ConvShlExt' "" 64); [ "$v" = '{DB7CFAED-842B-47E7-9FF4-92852D617958}' ] || { echo "file handler '$v'"; bad=1; }
  v=$(reg_value 'HKCR\Folder\shellex\ContextMenuHandlers\ConvShlExt' "" 64); [ "$v" = '{DB7CFAED-842B-47E7-9FF4-92852D617958}' ] || { echo "folder handler '$v'"; bad=1; }
  v=$(reg_value 'HKLM\Software\Classes\CLSID\{58223E6A-9342-4440-9B26-54B6DF7EC493}\LocalServer32' "" 32)
  [[ "$v" == *'Program Files (x86)\Wavory\Wavory.exe" /Automation' ]] || { echo "automation server '$v'"; bad=1; }
  v=$(reg_value "$uninstall_key" DisplayVersion 32); [ "$v" = "$old_version" ] || { echo "DisplayVersion '$v'"; bad=1; }
  v=$(reg_value "$uninstall_key" QuietUninstallString 32); [[ "$v" == *'Uninstall.exe" /S _?='* ]] || { echo "QuietUninstallString '$v'"; bad=1; }
  return $bad
}

. "$repo/tests/installer/convert.sh"
