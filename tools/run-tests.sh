#!/usr/bin/env bash
# Runs every test program of the given build trees under Wine on a virtual
# display of its own, then prints one closing line: "N passed, N failed".
# Usage: tools/run-tests.sh BUILD_ROOT TREE...
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh"

root="$1"; shift
wine_env "$root"
small="$(realpath -m "$root")/smalldisk"
failing="$(realpath -m "$root")/failing"
# Lazily, and whatever state it is in: a run that was killed leaves a mount nobody serves.
failfs_stop() { fusermount3 -uz "$failing/mount" 2>/dev/null; fusermount3 -uz "$failing/rewrite-mount" 2>/dev/null; return 0; }
cleanup() { wine_stop; xvfb_stop; mountpoint -q "$small" && umount "$small"; failfs_stop; }
# Reads of the failing disk, and rewrites of the rewrite-failing one, fail from
# this byte offset on, for this many bytes.
FAILING_FROM=100000 FAILING_BYTES=100000
trap cleanup EXIT

# A really full disk for the full-disk test: a tiny tmpfs, where mounting is allowed.
mkdir -p "$small"
if mountpoint -q "$small" || mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null; then
  export WAVORY_SMALL_DISK="Z:$(tr / '\\' <<<"$small")"
else
  echo "note: no small tmpfs could be mounted here; the real full-disk test is skipped" >&2
fi

# A disk whose reads fail in a window of byte offsets, for the tests of sources
# that cannot be read to their end, and one whose rewrites fail there, for the
# second pass over an output: a small FUSE file system of our own.
mkdir -p "$failing/source" "$failing/mount" "$failing/rewrite-source" "$failing/rewrite-mount"
failfs_stop
# What an earlier run wrote there is gone: each run starts on empty disks.
rm -rf "$failing/source"/* "$failing/rewrite-source"/*
if cc -O2 -Wall -o "$failing/failfs" "$here/failfs/failfs.c" $(pkg-config --cflags --libs fuse3 2>/dev/null) 2>/dev/null; then
  if "$failing/failfs" "$failing/source" "$FAILING_FROM" "$FAILING_BYTES" "$failing/mount" 2>/dev/null; then
    export WAVORY_FAILING_DISK="Z:$(tr / '\\' <<<"$failing/mount")"
    export WAVORY_FAILING_SOURCE="Z:$(tr / '\\' <<<"$failing/source")"
  fi
  if "$failing/failfs" -w "$failing/rewrite-source" "$FAILING_FROM" "$FAILING_BYTES" "$failing/rewrite-mount" 2>/dev/null; then
    export WAVORY_REWRITE_FAILING_DISK="Z:$(tr / '\\' <<<"$failing/rewrite-mount")"
  fi
fi
[ -n "${WAVORY_FAILING_DISK:-}" ] || echo "note: no read-failing disk could be mounted here; its tests are skipped" >&2
[ -n "${WAVORY_REWRITE_FAILING_DISK:-}" ] || echo "note: no rewrite-failing disk could be mounted here; its test is skipped" >&2

bash "$here/make-fixtures.sh" "$root" || { echo "could not make the test fixtures" >&2; exit 1; }
xvfb_start || exit 1
wine_prefix || exit 1
wine_start || exit 1

status=0
for tree in "$@"; do
  rm -f "$tree"/results/*.xml
  echo "== tests in $tree"
  ctest --test-dir "$tree" --output-on-failure -j2 || status=1
done

# The GUI tests' screenshots, as PNG for a reviewer.
for shot in "$root"/screenshot-*.bmp; do
  [ -f "$shot" ] && command -v convert >/dev/null && convert "$shot" "${shot%.bmp}.png" 2>/dev/null && rm -f "$shot"
done

# Every program ctest knows must have left its results.
groups=()
for tree in "$@"; do
  groups+=(--results "$tree/results" $(ctest --test-dir "$tree" -N | sed -n 's/^ *Test *#[0-9]*: //p'))
done
read -r passed failed skipped < <(python3 "$here/count-results.py" "${groups[@]}") ||
  { echo "could not count the test results" >&2; passed=0; failed=1; skipped=0; }
# A program that ended badly after writing its results still fails the run.
[ $status -ne 0 ] && [ $failed -eq 0 ] && failed=1

if [ $skipped -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ $status -eq 0 ] && [ $failed -eq 0 ]
