#!/usr/bin/env bash
# Measures what presenting costs the real game in a virtual 1920x1080 X display, default settings:
# CPU idle on the title and during a shot, making a new landscape (the largest one, where the replay
# runner beside the game can find its seed), peak memory, start to the first title frame (median of
# 10 launches, with the game's own start-up figures) and exit after the window has gone.
#
# Usage: bench/measure_presenter.sh [GAME]   (GAME defaults to build/lobshot; nothing is built)
# Needs xvfb-run, xdotool and python3 (which reads screen pixels through libX11). CPU figures are
# the game process's own user+system time as a percentage of one core; the machine should be
# otherwise quiet (the load average is printed with the figures).
set -euo pipefail
game=$(realpath "${1:-build/lobshot}")
[ -x "$game" ] || { echo "no game at $game" >&2; exit 2; }
if [ -z "${LOBSHOT_MEASURE_INNER:-}" ]; then
  # Default settings: SDL chooses its own audio and video drivers.
  unset SDL_AUDIODRIVER SDL_VIDEODRIVER LOBSHOT_WINDOWED
  exec xvfb-run -a -s "-screen 0 1920x1080x24" env LOBSHOT_MEASURE_INNER=1 bash "$0" "$game"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ticks_per_second=$(getconf CLK_TCK)

# The screen's pixels: "probe" prints the probe pixels; "launch COUNT" starts the game COUNT times,
# each time timing its first title frame (the probe pixels reach the colours given) and, a second
# later, its exit after SIGTERM, from the moment the picture is gone. The launches share one
# connection to the X server, as a desktop always has some client: a server left without clients
# between launches resets itself (reloading its fonts and compiling its keymap with xkbcomp), work
# that ran into the next launch and that no game started on a desktop meets.
cat >"$work/screen.py" <<'PY'
import ctypes, os, subprocess, sys, time
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XFree.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
root = x11.XDefaultRootWindow(display)
POINTS = [(300, 300), (960, 200), (1600, 900)]

def pixels():
    values = []
    for x, y in POINTS:
        image = x11.XGetImage(display, root, x, y, 1, 1, 0xFFFFFFFF, 2)
        # XImage: width, height, xoffset, format, then the data pointer.
        data = ctypes.cast(image, ctypes.POINTER(ctypes.c_void_p))[2]
        values.append(ctypes.cast(data, ctypes.POINTER(ctypes.c_uint32))[0] & 0xFFFFFF)
        x11.XFree(data)
        x11.XFree(image)
    return values

if sys.argv[1] == "probe":
    print(" ".join("%06x" % v for v in pixels()))
    sys.exit(0)

game, count, expected = sys.argv[2], int(sys.argv[3]), [int(v, 16) for v in sys.argv[4:]]
for launch in range(count):
    start = time.monotonic()
    trace = open("%s.%d" % (os.environ["LAUNCH_TRACE"], launch), "wb")
    process = subprocess.Popen([game], stdout=trace, stderr=subprocess.DEVNULL)
    shown = None
    while time.monotonic() - start < 10:
        if pixels() == expected:
            shown = time.monotonic()
            break
        time.sleep(0.001)
    time.sleep(1)
    process.terminate()
    signalled = time.monotonic()
    gone = None
    while process.poll() is None:
        if gone is None and pixels() != expected:
            gone = time.monotonic()
        time.sleep(0.001)
    ended = time.monotonic()
    if gone is None:
        gone = ended
    print("%.1f %.1f %.1f" % ((shown - start) * 1000 if shown else -1, (ended - gone) * 1000, (ended - signalled) * 1000),
          flush=True)
PY

# shellcheck source=bench/process_clock.sh
source "$(dirname "$0")/process_clock.sh"
percent() { awk -v t="$1" -v ms="$2" -v hz="$ticks_per_second" 'BEGIN { printf "%.1f", t * 100000 / hz / ms }'; }
keys() { xdotool key --window "$window" "$@"; sleep 0.4; }

# CPU of the game over a stretch of wall time, in percent of one core.
cpu_over() {
  local seconds=$1 t0 c0
  t0=$(now_ms); c0=$(cpu_ticks "$pid")
  sleep "$seconds"
  percent $(($(cpu_ticks "$pid") - c0)) $(($(now_ms) - t0))
}

# Making a landscape keeps the game busy from the last key of the shop until the landscape is
# shown; its end is the last tick of CPU (10 ms each) before 300 ms without any.
time_landscape() {
  local t0 c0 last_change c now
  c0=$(cpu_ticks "$pid")
  xdotool key --window "$window" Down Down Down Down Down Down Return
  t0=$(now_ms); last_change=$t0; c=$c0
  while :; do
    sleep 0.005
    now=$(now_ms)
    local c1; c1=$(cpu_ticks "$pid")
    if [ "$c1" != "$c" ]; then c=$c1; last_change=$now; fi
    if [ $((now - last_change)) -ge 300 ] && [ $((now - t0)) -ge 500 ]; then break; fi
    if [ $((now - t0)) -ge 20000 ]; then break; fi
  done
  echo "$((last_change - t0)) $(awk -v t=$((c - c0)) -v hz="$ticks_per_second" 'BEGIN { printf "%d", t * 1000 / hz }')"
}

echo "game: $game"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# One long run: the title, a new game, a landscape, a shot. It starts from the seed of the largest
# landscape (1200x500) where the replay runner beside the game can find it, else from the clock.
seed_args=()
headless="$(dirname "$game")/lobshot-headless"
if [ -x "$headless" ] && largest=$(bash "$(dirname "$0")/largest_landscape_seed.sh" "$headless" 2>/dev/null); then
  seed_args=(--seed "$largest")
fi
"$game" "${seed_args[@]}" >"$work/trace.txt" 2>&1 &
pid=$!
window=$(xdotool search --sync --limit 1 --name '^Lobshot$')
sleep 2
title_colours=$(python3 "$work/screen.py" probe)
idle=$(cpu_over 10)
keys Return
keys Down Down Down Return
keys Down Down Down Down Down Down Return
read -r landscape_ms landscape_cpu_ms < <(time_landscape)
sleep 2
xdotool key --window "$window" space
sleep 0.1
shot=$(cpu_over 1)
sleep 2
peak_kb=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
graphics=$(grep -ciE 'libGL|llvmpipe|swrast|libLLVM' "/proc/$pid/maps" || true)
kill -TERM "$pid"
wait "$pid" || true

# The presenter traces how long it showed frames while the game was busy: the landscape's progress.
busy=$(grep -aoE "[0-9]+ frames shown in [0-9]+ ms while the game was busy" "$work/trace.txt" |
  sort -t' ' -k5 -n | tail -1 || true)
busy=${busy:-"no row (an older presenter)"}

# The landscape's size follows from the seed the game reports: the replay runner makes the same one.
landscape_size="unknown (the game does not report its seed)"
seed=$(grep -aoE "Random seed [0-9]+" "$work/trace.txt" | grep -oE "[0-9]+$" | head -1 || true)
if [ -n "$seed" ] && [ -x "$headless" ]; then
  printf '%s\n' "wait 2" "press Enter" "wait 1" "press Down Down Down Enter" "wait 1" \
    "press Down Down Down Down Down Down Enter" "wait 1" "press Down Down Down Down Down Down Enter" \
    "until Aiming 10" >"$work/flow.script"
  if "$headless" --seed "$seed" --script "$work/flow.script" --state "$work/state.json" >/dev/null; then
    landscape_size=$(python3 -c 'import json, sys; l = json.load(open(sys.argv[1]))["landscape"]; print("%dx%d" % (l["width"], l["height"]))' "$work/state.json")
  fi
fi

# Ten launches: start to the first title frame, and exit after SIGTERM.
starts=() exits=() signals=() inside=() inside_cpu=()
LAUNCH_TRACE="$work/launch" python3 "$work/screen.py" launch "$game" 10 $title_colours >"$work/launches.txt"
launch=0
while read -r start exit_ms signal_ms; do
  starts+=("$start"); exits+=("$exit_ms"); signals+=("$signal_ms")
  # The game's own figures: from its start (libraries loaded) to the first frame, and its CPU time.
  row=$(grep -aoE "First frame shown: .*" "$work/launch.$launch" || true)
  inside+=("$(sed -nE 's/.*; ([0-9.]+) ms after start-up.*/\1/p' <<<"$row")")
  inside_cpu+=("$(sed -nE 's/.*, ([0-9.]+) ms of CPU.*/\1/p' <<<"$row")")
  launch=$((launch + 1))
done <"$work/launches.txt"
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "%.0f", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'; }

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-54s %s\n' \
  "idle on the title (CPU % of one core, 10 s)" "$idle" \
  "shot in flight (CPU % of one core, 1 s)" "$shot" \
  "new landscape: key to the last tick of busy CPU (ms)" "$landscape_ms" \
  "new landscape: the presenter's own figure" "$busy" \
  "new landscape (CPU ms of the game)" "$landscape_cpu_ms" \
  "the landscape made (columns x rows)" "$landscape_size" \
  "peak resident memory (VmHWM, MB)" "$(awk -v k="$peak_kb" 'BEGIN { printf "%.1f", k / 1024 }')" \
  "OpenGL libraries mapped" "$graphics" \
  "start to first title frame (ms, median of 10)" "$(median "${starts[@]}")" \
  "  the game's own figure from main (ms, median)" "$(median "${inside[@]:-0}")" \
  "  the game's CPU time to it (ms, median)" "$(median "${inside_cpu[@]:-0}")" \
  "exit after the picture has gone (ms, median of 10)" "$(median "${exits[@]}")" \
  "exit after SIGTERM (ms, median of 10)" "$(median "${signals[@]}")"
echo "start-up, each launch (ms): ${starts[*]}"
echo "exit after the picture has gone, each launch (ms): ${exits[*]}"
