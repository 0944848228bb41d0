#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Wavory.
# Quiet and quick when everything is already there; never asks a person.
set -euo pipefail

PACKAGES=(
  wine wine32:i386 wine64 fonts-wine
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  mingw-w64-tools libwine-dev
  cmake make googletest dpkg-dev libutfcpp-dev
  xvfb xauth imagemagick xdotool
  ffmpeg lame sox
  gstreamer1.0-libav:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-ugly:i386
  fp-utils
  libfuse3-dev fuse3 pkg-config
  nsis zip osslsigncode openssl
  locales
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo -n"
export DEBIAN_FRONTEND=noninteractive

# A mirror caught mid-sync serves an index of the wrong size for a few minutes;
# the lists that did arrive still serve the install, which fails on its own
# when a package is really missing.
apt_update() {
  local try
  for try in 1 2 3; do
    $SUDO apt-get update -qq && return 0
    echo "setup: the package lists did not all arrive (try $try of 3)" >&2
    [ "$try" -lt 3 ] && sleep 20
  done
  echo "setup: going on with the package lists that arrived" >&2
}

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}" >&2
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  apt_update
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Some virtual machines run 64-bit user code only: the kernel refuses every
# 32-bit Linux program, Wine's 32-bit loader among them, so no 32-bit Windows
# program could run. There the loader runs through qemu's user-mode emulator,
# registered with the kernel as the interpreter of 32-bit x86 programs.
# Bookworm's qemu (7.2) cannot host Wine (no MAP_FIXED_NOREPLACE); its
# backport can.
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
QEMU_I386=/usr/bin/qemu-i386-static
BINFMT=/proc/sys/fs/binfmt_misc

# Runs a 32-bit x86 program of 93 bytes that only exits (an ELF header, one
# loadable segment, then mov eax,1; xor ebx,ebx; int 0x80): whether this machine
# runs 32-bit programs at all, asked before any is installed. It is written into
# the work tree, which must allow running programs anyway.
I386_PROBE=(
  '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
  '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'
  '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'
  '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
)
i386_runs() {
  local probe rc
  probe="$(dirname "$0")/../build/.i386-probe"
  mkdir -p "$(dirname "$probe")"
  printf '%b' "${I386_PROBE[@]}" >"$probe"
  [ "$(stat -c %s "$probe")" -eq 93 ] || { echo "setup: could not write the 32-bit probe" >&2; exit 1; }
  chmod +x "$probe"
  "$probe" 2>/dev/null; rc=$?
  rm -f "$probe"
  return $rc
}

# Before the packages: some of the 32-bit ones run their own programs as they install.
run_32bit_programs() {
  i386_runs && return 0
  echo "setup: this kernel runs no 32-bit programs; running them through qemu-i386" >&2
  if ! "$QEMU_I386" --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    echo 'Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $SUDO tee /etc/apt/sources.list.d/wavory-backports.sources >/dev/null
    apt_update
    $SUDO apt-get install -y -qq -t bookworm-backports qemu-user-static >/dev/null
  fi
  [ -e "$BINFMT/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT"
  # An entry made before an upgrade still holds the old emulator open.
  [ -e "$BINFMT/wavory-i386" ] && echo -1 | $SUDO tee "$BINFMT/wavory-i386" >/dev/null
  echo ":wavory-i386:M::$I386_MAGIC:$I386_MASK:$QEMU_I386:F" | $SUDO tee "$BINFMT/register" >/dev/null
  if ! i386_runs; then
    echo "setup: 32-bit programs still do not run on this machine" >&2
    return 1
  fi
}

run_32bit_programs
# Wine takes a program's ANSI code page from the Unix locale: with a Japanese
# one the names tests run once more on code page 932.
japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 2>/dev/null ||
    echo "setup: no Japanese locale could be made; the code page 932 run of the names tests will fail" >&2
}

install_packages
japanese_locale
