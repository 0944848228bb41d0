# Sourced by the scripts that run Windows programs: a private Wine prefix under
# the build folder, made on first use, and a warm wineserver with Wine's service
# processes started apart from any pipe a test runner waits on.
#   wine_env BUILD_DIR     exports WINEPREFIX and friends
#   wine_prefix            makes the prefix when it is missing
#   wine_start / wine_stop a persistent wineserver for this prefix only

wine_env() {
  export WINEPREFIX="$(realpath -m "$1")/wineprefix"
  export WINEDEBUG=-all
  export WINEARCH=win64
  # No Mono or Gecko download prompts in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  WINE_LOG="$(realpath -m "$1")/wine.log"
}

# Bump the stamp when the prefix recipe changes, so old prefixes are remade.
wine_prefix() {
  [ -f "$WINEPREFIX/.wavory-prefix-v4" ] && return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  if ! wineboot -i </dev/null >>"$WINE_LOG" 2>&1; then
    echo "wine: could not make the prefix $WINEPREFIX (see $WINE_LOG)" >&2
    return 1
  fi
  wineserver -w
  # Wine's own fonts, so dialogs get their designed sizes.
  cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # Without a window manager, hiding a managed window blocks for seconds.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$WINE_LOG" 2>&1
  # Drive X: is a CD-ROM drive, for the tests that refuse such an output folder.
  mkdir -p "$(dirname "$WINEPREFIX")/cdrom"
  ln -sfn "$(dirname "$WINEPREFIX")/cdrom" "$WINEPREFIX/dosdevices/x:"
  wine reg add 'HKLM\Software\Wine\Drives' /v x: /t REG_SZ /d cdrom /f /reg:64 </dev/null >>"$WINE_LOG" 2>&1
  # A crashing test program must end at once, not wait behind a crash dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >>"$WINE_LOG" 2>&1
  # The machines have no sound device: no audio driver, so playing the finish sound never waits for one.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f </dev/null >>"$WINE_LOG" 2>&1
  wineserver -w
  touch "$WINEPREFIX/.wavory-prefix-v4"
}

wine_start() {
  wineserver -p || return 1
  if ! wine cmd /c exit </dev/null >>"$WINE_LOG" 2>&1; then
    echo "wine: cannot start Windows programs (see $WINE_LOG)" >&2
    return 1
  fi
  (wine explorer /desktop </dev/null >>"$WINE_LOG" 2>&1 &)
}

wine_stop() {
  wineserver -k 2>/dev/null || true
}

# A virtual X display of our own: exports DISPLAY, sets XVFB_PID.
xvfb_start() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  local i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ]; do
    sleep 0.1; i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
      echo "Xvfb: display :$n did not start" >&2
      return 1
    fi
  done
  export DISPLAY=":$n"
}

xvfb_stop() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}
