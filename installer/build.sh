#!/usr/bin/env bash
# make installer: stages the files to ship (linked stripped; signed when a
# certificate is given) and the sparse package for Windows 11's own menu
# (tools/make_msix.py), then builds BUILD/WavorySetup-VERSION.exe with NSIS and
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
package_names_nsh="$x86/installer/PackageNames.nsh"
# The package for Windows 11's own menu names the 64-bit extension, as Explorer is 64-bit.
package_manifest="$x64/package/AppxManifest.xml"
package_file="$(sed -n 's/^!define PACKAGE_FILE "\(.*\)"$/\1/p' "$package_names_nsh")"
[ -n "$package_file" ] || { echo "installer: no package file name in $package_names_nsh" >&2; exit 1; }
version="$(sed -n 's/^!define VERSION "\(.*\)"$/\1/p' "$version_nsh")"
[ -n "$version" ] || { echo "installer: no version in $version_nsh" >&2; exit 1; }
version_args=(-DVERSION_NSH="$version_nsh")
out="$root"
if [ -n "${2:-}" ]; then
  version="$2"
  version_args=(-DVERSION="$version")
  out="$(realpath -m "${3:?an output folder for another version}")"
fi

# Windows registers a signed package only when its signer is the publisher its
# manifest names: a certificate of another subject would ship a package that no
# machine accepts. RFC 2253 writes the names as the manifest does, without the
# spaces after the commas.
check_signer() {
  local cert subject publisher
  cert=$(openssl pkcs12 -in "$WAVORY_SIGN_PKCS12" -passin "pass:${WAVORY_SIGN_PASSWORD:-}" -nokeys -clcerts 2>/dev/null ||
         openssl pkcs12 -legacy -in "$WAVORY_SIGN_PKCS12" -passin "pass:${WAVORY_SIGN_PASSWORD:-}" -nokeys -clcerts 2>/dev/null)
  subject=$(openssl x509 -noout -subject -nameopt RFC2253 <<<"$cert" | sed 's/^subject=//')
  publisher=$(python3 "$here/../tools/make_msix.py" --publisher "$package_manifest")
  [ "${subject//, /,}" = "${publisher//, /,}" ] ||
    { echo "installer: the certificate's subject '$subject' is not the package's publisher '$publisher' (cmake/PackageIdentity.cmake)" >&2; exit 1; }
}
[ -z "${WAVORY_SIGN_PKCS12:-}" ] || check_signer

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
# So is the sparse package, which gives the installed folder its identity.
python3 "$here/../tools/make_msix.py" "$package_manifest" "$stage/$package_file"

sign_args=()
if [ -n "${WAVORY_SIGN_PKCS12:-}" ]; then
  for f in "$stage"/*.exe "$stage"/*.dll "$stage/$package_file"; do bash "$here/sign.sh" "$f"; done
  sign_args=(-DSIGN_COMMAND="bash $here/sign.sh")
fi

setup="$out/WavorySetup-$version.exe"
makensis -V2 -DSTAGE="$stage" -DPROGRAM_FILES_NSH="$program_files" -DPACKAGE_NAMES_NSH="$package_names_nsh" -DICON="$x86/app/generated/Wavory.ico" -DOUTFILE="$setup" \
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
