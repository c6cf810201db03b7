#!/usr/bin/env bash
# Memory of Textowl before and after sign-in, as a user would see it on a bare X server.
#   bench/app/measure_memory.sh BUILD_DIR        (a release build: cmake --preset release)
# Starts pagewright-service with its demo account on a free port, opens Textowl under xvfb-run,
# reads the memory once the window is up, signs in as demo / demo with the keyboard, waits for the
# web pages to load and reads it again. Prints, for each moment, the program's RSS, and the
# number, summed RSS and summed PSS (Pss of /proc/PID/smaps_rollup) of the program and all the
# processes it started (the browser engine's). Extra arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: measure_memory.sh BUILD_DIR}" && pwd)"
shift

if [ -z "${MEASURE_UNDER_X:-}" ]; then
  export MEASURE_UNDER_X=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$@"
fi

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$build/server/pagewright-service" serve --db "$work/service.db" --listen 127.0.0.1:0 --demo \
  >"$work/service.log" 2>&1 &
pids+=($!)
url=""
for _ in $(seq 100); do
  url="$(sed -n 's/^listening on //p' "$work/service.log" | head -n 1)"
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { echo "the service did not start" >&2; exit 1; }
export TEXTOWL_SERVICE_URL="$url"
sed "s#http://localhost/pagewright/#${url%/*}/#g" "$root/resources/strings.xml" >"$work/strings.xml"
ln -s "$root/resources/skins" "$work/skins"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_CONFIG_HOME="$work/config"

descendants() {
  local pid
  for pid in $(ps -o pid= --ppid "$1"); do
    echo "$pid"
    descendants "$pid"
  done
}

report() {
  local app="$1" moment="$2" n=0 rss=0 pss=0 pid value
  for pid in "$app" $(descendants "$app"); do
    value="$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null)" || continue
    [ -n "$value" ] || continue
    n=$((n + 1))
    pss=$((pss + value))
    rss=$((rss + $(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")))
  done
  printf '%-16s program RSS %4d MiB | %d processes: RSS %4d MiB, PSS %4d MiB\n' "$moment" \
    $(($(awk '/^VmRSS:/ {print $2}' "/proc/$app/status") / 1024)) "$n" $((rss / 1024)) \
    $((pss / 1024))
}

# Waits until two readings a second apart agree (the engine loads its pages lazily).
settle() {
  local app="$1" last=-1 now
  for _ in $(seq 60); do
    sleep 1
    now="$(report "$app" x)"
    [ "$now" = "$last" ] && return
    last="$now"
  done
}

cd "$work"
"$build/src/app/textowl" "$@" >"$work/textowl.log" 2>&1 &
app=$!
pids+=("$app")
window=""
for _ in $(seq 100); do
  window="$(xdotool search --pid "$app" --onlyvisible --name Textowl 2>/dev/null | head -n 1)" || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no window appeared" >&2; cat "$work/textowl.log" >&2; exit 1; }
settle "$app"
report "$app" "before sign-in"

xdotool windowactivate --sync "$window" 2>/dev/null || true
# The Sign In button of the signed-out view: (80, 180), 65 by 23, below the menu bar.
xdotool mousemove --window "$window" 112 "$((191 + ${MENU_BAR_HEIGHT:-23}))" click 1
sleep 2
xdotool type --delay 20 demo
xdotool key Tab
xdotool type --delay 20 demo
xdotool key Return
settle "$app"
report "$app" "after sign-in"
