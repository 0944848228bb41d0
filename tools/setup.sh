#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Wavory.
# Quiet and quick when everything is already there; never asks a person.
set -euo pipefail

PACKAGES=(
  wine wine32:i386 wine64 fonts-wine
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  mingw-w64-tools libwine-dev
  cmake make googletest dpkg-dev
  xvfb xauth imagemagick xdotool
  ffmpeg lame sox
  gstreamer1.0-libav:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-ugly:i386
  fp-utils
  libfuse3-dev fuse3 pkg-config
  nsis zip osslsigncode openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo -n"
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
