#!/usr/bin/env bash
# Starts Wavory.exe under Wine: on this machine's display when there is one,
# otherwise on a virtual display, with a screenshot saved for a look.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh"
root="$1"; exe="$2"; shift 2
wine_env "$root"
if [ -z "${DISPLAY:-}" ]; then
  trap 'wine_stop; xvfb_stop' EXIT
  xvfb_start || exit 1
  virtual=1
fi
wine_prefix || exit 1
wine "$exe" "$@" </dev/null >>"$WINE_LOG" 2>&1 &
pid=$!
if [ -n "${virtual:-}" ]; then
  sleep 4
  import -window root "$root/run-screenshot.png" 2>/dev/null &&
    echo "Running on virtual display $DISPLAY; screenshot: $root/run-screenshot.png (Ctrl-C ends it)"
fi
wait $pid
