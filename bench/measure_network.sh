#!/usr/bin/env bash
# Measures what a network game costs: two real games in a virtual X display, the host and a guest
# joined through the test relay on 127.0.0.1, with no faults. It prints the relay's datagrams and
# bytes a second (both directions, UDP payload: ENet's headers and our messages, without the 28
# bytes of IP and UDP headers each datagram also carries) while the host idles on the title,
# while nobody presses a key in a match, and while the host's person aims (ten presses of X a
# second), and the key-to-step delay the two machines' replays show.
#
# Usage: bench/measure_network.sh [BUILD-DIR]   (default build; nothing is built)
# Needs xvfb-run and xdotool.
set -euo pipefail
build=$(realpath "${1:-build}")
game=$build/lobshot
tool=$build/lobshot-net-tool
[ -x "$game" ] && [ -x "$tool" ] || { echo "no game or net tool in $build" >&2; exit 2; }
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy LOBSHOT_WINDOWED=1
port=$((27400 + $$ % 500))

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
set -u
game=$1 tool=$2 work=$3 port=$4
cd "$work"
(sleep 60 | "$tool" relay "$port" 0 0 0 0 70 >relay.port 2>relay.err) &
sleep 0.5
"$game" --host "$port" >host.out 2>&1 & h=$!
sleep 1
"$game" --join "127.0.0.1:$(cat relay.port)" >guest.out 2>&1 & g=$!
sleep 2
hw=$(xdotool search --pid $h | tail -1); gw=$(xdotool search --pid $g | tail -1)
mark() { echo "$1 $(grep -c after relay.err)" >>phases; }
mark title; sleep 6; mark setup
xdotool windowfocus "$hw"; sleep 0.3
for k in Return 2 Down Down Down Return; do xdotool key $k; sleep 0.3; done
sleep 1; for k in Down Down Down Down Down Down Return; do xdotool key $k; sleep 0.2; done
sleep 1; xdotool windowfocus "$gw"; sleep 0.3
for k in Down Down Down Down Down Down Return; do xdotool key $k; sleep 0.2; done
sleep 4; mark match-quiet; sleep 6; mark aiming
xdotool windowfocus "$hw"; xdotool key --repeat 60 --delay 100 x
xdotool windowfocus "$gw"; xdotool key --repeat 60 --delay 100 x
mark end
kill -TERM $g; sleep 1; kill -TERM $h; wait $h
' _ "$game" "$tool" "$work" "$port"

# The relay writes its totals every second; a phase's rate is the difference over its seconds.
rate() { # FROM-SECOND TO-SECOND
    awk -v a="$1" -v b="$2" '/after/ {n++; d[n]=$5; y[n]=$7} END {
        printf "%.0f datagrams/s, %.0f bytes/s", (d[b]-d[a])/(b-a), (y[b]-y[a])/(b-a) }' "$work/relay.err"
}
read -r _ title <<<"$(sed -n 1p "$work/phases")"
read -r _ setup <<<"$(sed -n 2p "$work/phases")"
read -r _ quiet <<<"$(sed -n 3p "$work/phases")"
read -r _ aiming <<<"$(sed -n 4p "$work/phases")"
read -r _ end <<<"$(sed -n 5p "$work/phases")"
echo "idle on the title:        $(rate $((title + 1)) "$setup")"
echo "a match, nobody pressing: $(rate $((quiet + 1)) "$aiming")"
echo "aiming, ten presses/s:    $(rate $((aiming + 1)) "$end")"
replays=("$work"/data/lobshot/replays/*.lobshot-replay)
# The replays end apart: each closes its own window, and the host sees the guest leave first.
played() { grep -vE '^end | close$| left [0-9]$' "$1"; }
if [ "${#replays[@]}" = 2 ] && cmp -s <(played "${replays[0]}") <(played "${replays[1]}"); then
    echo "both machines kept the same replay ($(grep -c ' down ' "${replays[0]}") key presses)"
else
    echo "the machines' replays differ"
fi
