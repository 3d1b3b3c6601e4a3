# Sourced by the build, run and test scripts: the display, the Wine prefix and
# the locale Movrel runs in on Linux.
MOVREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Starts Xvfb on a free display unless a display is already usable.
movrel_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 91 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  MOVREL_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

movrel_stop_display() {
  if [ -n "${MOVREL_XVFB_PID:-}" ]; then kill "$MOVREL_XVFB_PID" 2>/dev/null || true; fi
}

# Makes (or reuses) the Wine prefix given in $1 and waits until it is ready.
movrel_wine_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # One server for the whole session: a server that exits when idle and
  # starts again makes the next program wait for a new desktop process.
  wineserver -p 2>/dev/null || true
}

# Starts an X server with two monitors side by side (Xorg's dummy driver and
# Xinerama, configured by tests/e2e/two_monitors.conf) on a free display and
# exports MOVREL_TWO_MONITOR_DISPLAY. DISPLAY is left alone: only the
# two-monitor tests use this server. Xvfb cannot do it, as it puts every
# screen at (0,0).
movrel_start_two_monitors() {
  if [ -n "${MOVREL_XORG_PID:-}" ] && kill -0 "$MOVREL_XORG_PID" 2>/dev/null; then return 0; fi
  local conf="$MOVREL_ROOT/tests/e2e/two_monitors.conf"
  # The server itself rather than the /usr/bin/Xorg script, which would go
  # through a set-uid wrapper where one is installed.
  local xorg=/usr/lib/xorg/Xorg
  [ -x "$xorg" ] || xorg=$(command -v Xorg || true)
  if [ -z "$xorg" ]; then
    echo "Xorg is not installed (scripts/deps.sh installs xserver-xorg-core and xserver-xorg-video-dummy)" >&2
    return 1
  fi
  # With raised privileges (a set-uid server run by someone else than root)
  # Xorg takes -config only as a path relative to its own configuration
  # folders, where this file is not.
  if [ "$(id -u)" != 0 ] && { [ -u "$xorg" ] || [ -g "$xorg" ]; }; then
    echo "$xorg is set-uid: as $(id -un) it refuses the configuration $conf;" \
         "run the tests as root or with a Xorg that is not set-uid" >&2
    return 1
  fi
  MOVREL_XORG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/movrel-xorg.XXXXXX")
  mkdir "$MOVREL_XORG_DIR/conf.d"  # no configuration snippets but ours
  local n i
  for n in $(seq 140 179); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    "$xorg" ":$n" -config "$conf" -configdir "$MOVREL_XORG_DIR/conf.d" -nolisten tcp -noreset \
      -logfile "$MOVREL_XORG_DIR/Xorg.log" >"$MOVREL_XORG_DIR/output" 2>&1 </dev/null &
    MOVREL_XORG_PID=$!
    for i in $(seq 1 300); do
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        if ! DISPLAY=":$n" xdpyinfo -ext XINERAMA 2>/dev/null | grep -q 'head #1'; then
          echo "Xorg on :$n does not report two Xinerama heads" >&2
          movrel_stop_two_monitors
          return 1
        fi
        export MOVREL_TWO_MONITOR_DISPLAY=":$n"
        return 0
      fi
      kill -0 "$MOVREL_XORG_PID" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$MOVREL_XORG_PID" 2>/dev/null; then
      echo "Xorg on :$n did not answer within 30 s" >&2
      break
    fi
    # Another server took the number first: try the next one.
    grep -q "already active" "$MOVREL_XORG_DIR/output" 2>/dev/null && continue
    break
  done
  echo "Xorg did not start; its output and log:" >&2
  tail -n 30 "$MOVREL_XORG_DIR/output" "$MOVREL_XORG_DIR/Xorg.log" >&2 2>/dev/null || true
  movrel_stop_two_monitors
  return 1
}

# Makes the Wine prefix $1 afresh for the two-monitor display and exports
# MOVREL_TWO_MONITOR_PREFIX. A Wine session belongs to one display, so the
# two-monitor tests cannot share the prefix of the others. WINEPREFIX and
# DISPLAY are left alone.
movrel_two_monitor_prefix() {
  rm -rf "$1"
  mkdir -p "$1"
  export MOVREL_TWO_MONITOR_PREFIX="$(cd "$1" && pwd)"
  # All output goes nowhere: the session's server, kept running by
  # movrel_wine_prefix, would hold on to any pipe it was started with.
  (
    export DISPLAY="$MOVREL_TWO_MONITOR_DISPLAY"
    movrel_wine_prefix "$MOVREL_TWO_MONITOR_PREFIX"
    # The first window of a new prefix waits for the font set-up; let that
    # happen here rather than inside a test's time limit.
    timeout 600 wine "$MOVREL_ROOT/build/win/tests/e2e/probe.exe" windows || true
  ) </dev/null >/dev/null 2>&1
}

# Ends the two-monitor session's Wine server and the X server.
movrel_stop_two_monitors() {
  if [ -n "${MOVREL_TWO_MONITOR_PREFIX:-}" ] && [ -f "$MOVREL_TWO_MONITOR_PREFIX/system.reg" ]; then
    WINEPREFIX="$MOVREL_TWO_MONITOR_PREFIX" wineserver -k 2>/dev/null || true
  fi
  if [ -n "${MOVREL_XORG_PID:-}" ]; then
    kill "$MOVREL_XORG_PID" 2>/dev/null || true
    wait "$MOVREL_XORG_PID" 2>/dev/null || true
  fi
  if [ -n "${MOVREL_XORG_DIR:-}" ]; then rm -rf "$MOVREL_XORG_DIR"; fi
  unset MOVREL_XORG_PID MOVREL_XORG_DIR MOVREL_TWO_MONITOR_DISPLAY
}
