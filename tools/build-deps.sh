#!/usr/bin/env bash
# Cross-builds the third-party libraries that Debian ships only for Linux
# (libmpg123, libsoxr, TagLib) from Debian's own source packages, as 32-bit Windows
# DLLs, into a cache outside the source tree. Versions are pinned; a built
# version is never rebuilt. Each DLL gets our version resource (its own file
# version, the product's version), Windows 7 in its PE headers and no symbols;
# a new product version relinks them. Prints the install prefix on stdout.
#
#   tools/build-deps.sh PRODUCT_VERSION   build what is missing, print the prefix
set -euo pipefail

PRODUCT_VERSION=${1:?usage: build-deps.sh PRODUCT_VERSION}

MPG123_VERSION=1.31.2-1+deb12u1
SOXR_VERSION=0.1.3-4
TAGLIB_VERSION=1.13-2+deb12u1

CACHE=${WAVORY_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/wavory-deps}
HOST=i686-w64-mingw32
# The prefix is per product version: its DLLs carry that version.
PREFIX=$CACHE/$HOST-$PRODUCT_VERSION
REPO=$(cd "$(dirname "$0")/.." && pwd)
PE_FLAGS="-Wl,-s,--major-subsystem-version,6,--minor-subsystem-version,1,--major-os-version,6,--minor-os-version,1"
mkdir -p "$CACHE/src" "$PREFIX"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo -n"

# apt-get source needs deb-src lines; ours mirror the machine's deb lines.
ensure_deb_src() {
  local list=/etc/apt/sources.list.d/wavory-deb-src.sources
  [ -f "$list" ] && return 0
  echo "deps: adding deb-src entries" >&2
  sed -n 's/^Types: deb$/Types: deb-src/; p' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$list" >/dev/null
  $SUDO apt-get update -qq
}

# fetch NAME VERSION -> prints the unpacked source directory
fetch() {
  local name=$1 version=$2 upstream=${2%%-*}
  local dir=$CACHE/src/$name-$upstream
  if [ ! -f "$dir/.unpacked-$version" ]; then
    ensure_deb_src
    rm -rf "$dir"
    # apt checks every file it fetches against the signed Sources index. Some
    # mirrors lack the upstream signature (.asc) beside a tarball, which only
    # dpkg-source would read, so unpack without it once apt has the rest.
    local dsc=${name}_${version#*:}.dsc
    (cd "$CACHE/src" && apt-get source -qq --download-only "$name=$version" >&2) || true
    if [ ! -f "$CACHE/src/$dsc" ]; then
      # The package lists may be older than the entries: read them again once.
      $SUDO apt-get update -qq
      (cd "$CACHE/src" && apt-get source -qq --download-only "$name=$version" >&2) || true
    fi
    [ -f "$CACHE/src/$dsc" ] || { echo "deps: could not fetch the source of $name $version" >&2; exit 1; }
    local f
    for f in $(awk '/^Files:/{on=1;next} /^[^ ]/{on=0} on{print $3}' "$CACHE/src/$dsc"); do
      case $f in
        *.asc) ;;
        *) [ -f "$CACHE/src/$f" ] || { echo "deps: could not fetch $f" >&2; exit 1; } ;;
      esac
    done
    (cd "$CACHE/src" && dpkg-source -q --no-check -x "$dsc" "$dir" >&2)
    touch "$dir/.unpacked-$version"
  fi
  echo "$dir"
}

# version_object NAME FILENAME DESCRIPTION UPSTREAM -> prints the object with the version resource
version_object() {
  local dir=$CACHE/build/$PRODUCT_VERSION/version-$1
  mkdir -p "$dir"
  local binary; binary=$(tr . , <<<"$PRODUCT_VERSION")
  printf '#define WAVORY_VERSION_BINARY %s\n#define WAVORY_VERSION_TEXT "%s"\n' "$binary" "$PRODUCT_VERSION" >"$dir/Version.h"
  local upstream=${4%%-*} file_binary
  file_binary=$(awk -F. '{printf "%d, %d, %d, 0", $1, $2, $3}' <<<"$upstream")
  cat >"$dir/version.rc" <<EOF_RC
#define VI_DESCRIPTION "$3"
#define VI_NAME "$1"
#define VI_FILENAME "$2"
#define VI_FILETYPE VFT_DLL
#define VI_FILE_BINARY $file_binary
#define VI_FILE_TEXT "$upstream"
#include "VersionInfo.rc"
EOF_RC
  $HOST-windres -I "$dir" -I "$REPO/res" -i "$dir/version.rc" -o "$dir/version.o" >&2
  echo "$dir/version.o"
}

build_mpg123() {
  local stamp=$PREFIX/.mpg123-$MPG123_VERSION
  [ -f "$stamp" ] && return 0
  local src; src=$(fetch mpg123 "$MPG123_VERSION")
  echo "deps: building libmpg123 $MPG123_VERSION" >&2
  local b=$CACHE/build/$PRODUCT_VERSION/mpg123; rm -rf "$b"; mkdir -p "$b"
  local res; res=$(version_object libmpg123 libmpg123-0.dll "libmpg123 MPEG audio decoder (LGPL 2.1)" "$MPG123_VERSION")
  # Default CPU choice for x86 is runtime dispatch over the SSE/MMX/x87 decoders.
  # libgcc is linked in so the DLL needs nothing beside it but the system's.
  (cd "$b" && "$src/configure" -q --host=$HOST CC="$HOST-gcc-posix -static-libgcc" \
      LDFLAGS="$PE_FLAGS -Wl,$res" --prefix="$PREFIX" --enable-shared --disable-static --disable-modules >&2 && make -s -j"$(nproc)" >&2 && make -s install >&2)
  touch "$stamp"
}

build_soxr() {
  local stamp=$PREFIX/.soxr-$SOXR_VERSION
  [ -f "$stamp" ] && return 0
  local src; src=$(fetch libsoxr "$SOXR_VERSION")
  echo "deps: building libsoxr $SOXR_VERSION" >&2
  local b=$CACHE/build/$PRODUCT_VERSION/soxr; rm -rf "$b"; mkdir -p "$b"
  local res; res=$(version_object libsoxr libsoxr.dll "libsoxr resampler (LGPL 2.1)" "$SOXR_VERSION")
  # The SIMD stages are compiled in and chosen at run time by CPU detection.
  cmake -S "$src" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
      -DBUILD_SHARED_LIBS=ON -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DWITH_OPENMP=OFF \
      -DWITH_LSR_BINDINGS=OFF -DCMAKE_CROSSCOMPILING_EMULATOR= \
      "-DCMAKE_SHARED_LINKER_FLAGS=-static-libgcc $PE_FLAGS -Wl,$res" -Wno-dev >&2
  cmake --build "$b" -j "$(nproc)" >&2
  cmake --install "$b" >&2
  touch "$stamp"
}

build_taglib() {
  local stamp=$PREFIX/.taglib-$TAGLIB_VERSION
  [ -f "$stamp" ] && return 0
  local src; src=$(fetch taglib "$TAGLIB_VERSION")
  echo "deps: building TagLib $TAGLIB_VERSION" >&2
  local b=$CACHE/build/$PRODUCT_VERSION/taglib; rm -rf "$b"; mkdir -p "$b"
  local res; res=$(version_object TagLib libtag.dll "TagLib audio meta-data library (LGPL 2.1)" "$TAGLIB_VERSION")
  # Debian's source takes utf8-cpp from its own header-only package (libutfcpp-dev);
  # only that folder is added, never the rest of the Linux headers. No zlib: a
  # compressed ID3v2 frame, which is rare, is passed over. Static runtimes (libstdc++,
  # winpthread): the DLL needs only the system beside it.
  cmake -S "$src" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
      -DBUILD_SHARED_LIBS=ON -DBUILD_TESTING=OFF -DBUILD_EXAMPLES=OFF -DBUILD_BINDINGS=OFF -DWITH_ZLIB=OFF \
      -DCMAKE_CXX_FLAGS="-I/usr/include/utf8cpp" -DCMAKE_CROSSCOMPILING_EMULATOR= \
      "-DCMAKE_SHARED_LINKER_FLAGS=-static $PE_FLAGS -Wl,$res" \
      -Wno-dev >&2
  cmake --build "$b" -j "$(nproc)" >&2
  cmake --install "$b" >&2
  touch "$stamp"
}

build_mpg123
build_soxr
build_taglib
echo "$PREFIX"
