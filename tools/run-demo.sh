#!/usr/bin/env bash
# Runs the host on the embedded demo game. With a display the window stays until
# you close it; without one it runs under Xvfb, saves a screenshot to
# build/demo/screenshot.png (the game window alone) and ends by itself once the
# game has started. It runs the 32-bit product wherever 32-bit programs run
# (natively or through qemu-i386, see tools/i386.sh), the x86_64 twin elsewhere.
set -euo pipefail
source "$(dirname "$0")/common.sh"

pick_runnable_arch
arch=$run_arch
build_tree "$arch" product GameHost
stage=$here/build/demo
rm -rf "$stage"; mkdir -p "$stage"
cp -r "$here/demo/game/." "$stage/"
cp "$here/build/$arch/bin/GameHost.exe" "$stage/"

export WINEPREFIX=$here/build/demo-prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${WINEDEBUG:--all}
loader=$(wine_loader_for "$arch")

server=
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  n=120; while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'wineserver -k 2>/dev/null || true; kill $xvfb $server 2>/dev/null || true' EXIT
  export DISPLAY=:$n
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

# The demo's own patch server: writes the staged "vexa/gateway" and serves the
# resource list and a few packages on loopback; it ends with this script.
python3 "$here/demo/patch-server/serve.py" --game "$stage" --port 18480 >"$stage/patch-server.log" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q 'patch server ready' "$stage/patch-server.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'patch server ready' "$stage/patch-server.log" || { cat "$stage/patch-server.log"; exit 1; }

# The prefix is made with the display in place: wine's desktop process keeps the display it started with.
if [ ! -f "$WINEPREFIX/.ready" ]; then
  echo "[demo] creating the wine prefix (once)"
  rm -rf "$WINEPREFIX"
  "$loader" wineboot --init >/dev/null 2>&1
  "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.ready"
fi

if [ $headless = 0 ]; then
  trap 'kill $server 2>/dev/null || true' EXIT
  cd "$stage" && "$loader" GameHost.exe
  exit $?
fi

log=$stage/engine.log
# exec: the loader is the job itself, so no shell stands between to report its end.
(cd "$stage" && exec "$loader" GameHost.exe >"$log" 2>"$stage/wine.log") &
host=$!
started=0
for _ in $(seq 600); do
  if grep -q '\[LUA-print\] demo game started' "$log" 2>/dev/null; then started=1; break; fi
  kill -0 $host 2>/dev/null || break
  sleep 0.1
done
sleep 1  # let a few frames draw
# The game window alone, found by its title; the whole screen if it has none.
window=$(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Hải Vân Truyện".*/\1/p' | head -n1)
if [ -n "$window" ]; then
  xwd -id "$window" -silent | convert xwd:- "$stage/screenshot.png"
else
  echo "[demo] no window titled Hải Vân Truyện: saving the whole screen"
  xwd -root -silent | convert xwd:- "$stage/screenshot.png"
fi
cat "$log"
if [ $started = 1 ]; then echo "[demo] the game started; screenshot: $stage/screenshot.png"; else echo "[demo] the game did not report its start; screenshot: $stage/screenshot.png"; fi
# End the host as closing its window would (taskkill without /f sends WM_CLOSE);
# only a host that does not end by itself is stopped with the wine server.
"$loader" taskkill /im GameHost.exe >/dev/null 2>&1 || true
for _ in $(seq 150); do kill -0 $host 2>/dev/null || break; sleep 0.1; done
if kill -0 $host 2>/dev/null; then
  echo "[demo] the host did not close within 15 s: stopping it"
  wineserver -k 2>/dev/null || true
fi
code=0
wait $host 2>/dev/null || code=$?
[ $started = 1 ] && echo "[demo] the host ended with code $code"
[ $started = 1 ]
