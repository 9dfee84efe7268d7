#!/usr/bin/env bash
# wine-env.sh setup|cleanup <test-env-dir> <wine-loader>
# setup: picks a display (Xvfb when none answers), creates the wine prefix once,
#        turns off the crash dialog, writes <dir>/env.sh for wine-run and the scenarios.
# cleanup: stops the Xvfb this setup started and the prefix's wineserver.
set -euo pipefail
action=$1
dir=$2
loader=$3
mkdir -p "$dir"
export WINEPREFIX="$dir/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

display_ok() { DISPLAY=$1 xdpyinfo >/dev/null 2>&1; }

setup() {
  local display=${DISPLAY:-}
  if [ -z "$display" ] || ! display_ok "$display"; then
    if [ -f "$dir/xvfb.display" ] && display_ok "$(cat "$dir/xvfb.display")"; then
      display=$(cat "$dir/xvfb.display")
    else
      # -displayfd: Xvfb takes the first free display number itself and writes
      # it back once it accepts clients, so build trees (and the scenarios'
      # own displays) set up side by side never pick the same number.
      rm -f "$dir/xvfb.number"
      Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp 3>"$dir/xvfb.number" >"$dir/xvfb.log" 2>&1 &
      echo $! >"$dir/xvfb.pid"
      local i number=
      for i in $(seq 1 300); do
        number=$(sed -n '1{/^[0-9][0-9]*$/p}' "$dir/xvfb.number" 2>/dev/null)
        [ -n "$number" ] && [ "$(wc -l <"$dir/xvfb.number")" -ge 1 ] && break
        number=
        kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || break
        sleep 0.1
      done
      [ -n "$number" ] || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
      display=":$number"
      echo "$display" >"$dir/xvfb.display"
      display_ok "$display" || { echo "Xvfb does not answer on $display" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
    fi
  fi
  export DISPLAY=$display
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    rm -rf "$WINEPREFIX"
    "$loader" wineboot --init >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # Without a window manager, wine waits 2 s on every hide or destroy of a managed window.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ready"
  fi
  cat >"$dir/env.sh" <<ENV
export WINEPREFIX='$WINEPREFIX'
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export WINEDEBUG=\${WINEDEBUG:--all}
export DISPLAY='$display'
export LC_ALL=C.UTF-8
export WINE_LOADER='$loader'
ENV
  start_keeper "$display"
  echo "display $display, prefix $WINEPREFIX"
}

# The first wine program of a session starts wine's own services (services.exe,
# explorer.exe, winedevice.exe, rpcss.exe...), and they keep that program's unix
# stderr open until the last wine program of the prefix ends. Started by a test,
# they hold CTest's output pipe, and CTest waits for its end: a test that has
# finished seems to hang for as long as other tests keep the prefix busy. A
# keeper program started here, with its output in a file, starts those services
# away from every test's pipe and keeps them up for the whole run (bounded:
# about two hours, if cleanup never comes).
start_keeper() {
  if [ -f "$dir/keeper.pid" ] && kill -0 "$(cat "$dir/keeper.pid")" 2>/dev/null; then
    return
  fi
  DISPLAY=$1 LC_ALL=C.UTF-8 setsid "$loader" cmd /c ping -n 7200 127.0.0.1 \
    </dev/null >"$dir/keeper.log" 2>&1 &
  echo $! >"$dir/keeper.pid"
  # Wait until the session's services run (a program of ours exits only then).
  DISPLAY=$1 LC_ALL=C.UTF-8 "$loader" cmd /c exit </dev/null >>"$dir/keeper.log" 2>&1 || true
}

cleanup() {
  wineserver -k 2>/dev/null || true
  rm -f "$dir/keeper.pid"
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid" "$dir/xvfb.display" "$dir/xvfb.number"
  fi
}

"$action"
