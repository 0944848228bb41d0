#!/usr/bin/env bash
# make installer: stages the files to ship (linked stripped; signed when a
# certificate is given), then builds BUILD/WavorySetup-VERSION.exe with NSIS and
# BUILD/Wavory-VERSION-portable.zip beside it.
#   installer/build.sh BUILD_ROOT [VERSION OUT_DIR]
# VERSION defaults to the build's (build/x86/installer/Version.nsh); another one
# labels the same files, as the upgrade test's older Setup does, in OUT_DIR.
# Signing: WAVORY_SIGN_PKCS12=cert.p12 [WAVORY_SIGN_PASSWORD=...] (osslsigncode).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(realpath -m "$1")"
x86="$root/x86"; x64="$root/x64"
version_nsh="$x86/installer/Version.nsh"
version="$(sed -n 's/^!define VERSION "\(.*\)"$/\1/p' "$version_nsh")"
[ -n "$version" ] || { echo "installer: no version in $version_nsh" >&2; exit 1; }
version_args=(-DVERSION_NSH="$version_nsh")
out="$root"
if [ -n "${2:-}" ]; then
  version="$2"
  version_args=(-DVERSION="$version")
  out="$(realpath -m "${3:?an output folder for another version}")"
fi

# The files every installation has: this list is their one definition, handed
# to the Setup script as the macro ForEachProgramFile.
stage="$out/installer/stage"
rm -rf "$stage"; mkdir -p "$stage"
for f in Wavory.exe WavoryCmd.exe mjm.dll libmpg123-0.dll libsoxr.dll libtag.dll Wavory.chm finish.wav; do
  cp "$x86/app/$f" "$stage/"
done
cp "$x86/shellext/Sonelle.dll" "$stage/Sonelle.dll"
cp /usr/share/common-licenses/LGPL-2.1 "$stage/LGPL-2.1.txt"
program_files="$out/installer/ProgramFiles.nsh"
{
  echo '!macro ForEachProgramFile MACRO'
  for f in "$stage"/*; do echo "  !insertmacro \${MACRO} \"$(basename "$f")\""; done
  echo '!macroend'
} >"$program_files"
# The 64-bit extension, on 64-bit Windows only, lies beside the 32-bit one
# under its own name, so that both find Wavory.exe in their own folder.
cp "$x64/shellext/Sonelle.dll" "$stage/Sonelle64.dll"

sign_args=()
if [ -n "${WAVORY_SIGN_PKCS12:-}" ]; then
  for f in "$stage"/*.exe "$stage"/*.dll; do bash "$here/sign.sh" "$f"; done
  sign_args=(-DSIGN_COMMAND="bash $here/sign.sh")
fi

setup="$out/WavorySetup-$version.exe"
makensis -V2 -DSTAGE="$stage" -DPROGRAM_FILES_NSH="$program_files" -DICON="$x86/app/generated/Wavory.ico" -DOUTFILE="$setup" \
  "${version_args[@]}" "${sign_args[@]}" "$here/Wavory.nsi" >&2 </dev/null

# The portable zip: the same files in one folder, and how to register the extension by hand.
portable="Wavory-$version"
zip_dir="$out/installer/zip"
rm -rf "$zip_dir"; mkdir -p "$zip_dir/$portable"
cp "$stage"/* "$zip_dir/$portable/"
cp "$here/Portable.txt" "$zip_dir/$portable/README.txt"
rm -f "$out/$portable-portable.zip"
(cd "$zip_dir" && zip -q -r -X "$out/$portable-portable.zip" "$portable")
echo "installer: $setup ($(stat -c %s "$setup") bytes), $out/$portable-portable.zip"
