#!/usr/bin/env bash
# Cross-builds the third-party libraries that Debian ships only for Linux
# (libmpg123, libsoxr) from Debian's own source packages, as 32-bit Windows
# DLLs, into a cache outside the source tree. Versions are pinned; a built
# version is never rebuilt. Prints the install prefix on stdout.
#
#   tools/build-deps.sh            build what is missing, print the prefix
set -euo pipefail

MPG123_VERSION=1.31.2-1+deb12u1
SOXR_VERSION=0.1.3-4

CACHE=${WAVORY_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/wavory-deps}
HOST=i686-w64-mingw32
PREFIX=$CACHE/$HOST
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

build_mpg123() {
  local stamp=$PREFIX/.mpg123-$MPG123_VERSION
  [ -f "$stamp" ] && return 0
  local src; src=$(fetch mpg123 "$MPG123_VERSION")
  echo "deps: building libmpg123 $MPG123_VERSION" >&2
  local b=$CACHE/build/mpg123; rm -rf "$b"; mkdir -p "$b"
  # Default CPU choice for x86 is runtime dispatch over the SSE/MMX/x87 decoders.
  # libgcc is linked in so the DLL needs nothing beside it but the system's.
  (cd "$b" && "$src/configure" -q --host=$HOST CC="$HOST-gcc-posix -static-libgcc" \
      --prefix="$PREFIX" --enable-shared --disable-static --disable-modules >&2 && make -s -j"$(nproc)" >&2 && make -s install >&2)
  touch "$stamp"
}

build_soxr() {
  local stamp=$PREFIX/.soxr-$SOXR_VERSION
  [ -f "$stamp" ] && return 0
  local src; src=$(fetch libsoxr "$SOXR_VERSION")
  echo "deps: building libsoxr $SOXR_VERSION" >&2
  local b=$CACHE/build/soxr; rm -rf "$b"; mkdir -p "$b"
  # The SIMD stages are compiled in and chosen at run time by CPU detection.
  cmake -S "$src" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
      -DBUILD_SHARED_LIBS=ON -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DWITH_OPENMP=OFF \
      -DWITH_LSR_BINDINGS=OFF -DCMAKE_CROSSCOMPILING_EMULATOR= \
      -DCMAKE_SHARED_LINKER_FLAGS=-static-libgcc -Wno-dev >&2
  cmake --build "$b" -j "$(nproc)" >&2
  cmake --install "$b" >&2
  touch "$stamp"
}

build_mpg123
build_soxr
echo "$PREFIX"
