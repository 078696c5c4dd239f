#!/usr/bin/env bash
# Measures how far a guest lags behind the host after it was paused: two lobshot-headless machines on
# 127.0.0.1 at the pace of the window's timer (--realtime), the guest stopped (SIGSTOP) for 3 s and
# later for 12 s while the host shops, then resumed (SIGCONT). It prints the lag before the pauses and
# a second, two... five seconds after each resumption, and the guest's trace rows of catching up.
#
# Each runner writes a row every tenth tick with its frame steps; the rows are stamped with the wall
# clock as they arrive. The lag at a moment is how much later the guest reached a frame step than the
# host did: the guest's last row before the moment gives a frame step and a time, and the host's time
# at that frame step is interpolated between its rows. Precision: a few milliseconds.
#
# Usage: bench/measure_lag.sh [BUILD-DIR]   (default build; nothing is built)
set -euo pipefail
build=$(realpath "${1:-build}")
runner=$build/lobshot-headless
[ -x "$runner" ] || { echo "no lobshot-headless in $build" >&2; exit 2; }
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data
port=$((27900 + $$ % 500))

# The host shops for 40 s; the guest shops after it and leaves.
printf '%s\n' "until joined 2" "wait 5" "press Enter" "until PlayerChoice 20" "press 2" "wait 5" \
    "press Down Down Down Enter" "until WeaponShop 20" "wait 2000" "press Down Down Down Down Down Down Enter" \
    "until Aiming 20000" "wait 100" >"$work/host.script"
printf '%s\n' "until WeaponShop 20000" "until mine 20000" "press Down Down Down Down Down Down Enter" \
    "until Aiming 20000" "wait 20" >"$work/guest.script"

# stamped NAME ARGS...: runs a runner in the background, its rows stamped with the wall clock (s),
# its process id in NAME.pid.
stamped() {
    local name=$1
    shift
    (echo "$BASHPID" >"$work/$name.pid"; exec "$runner" --realtime --script "$work/$name.script" "$@" 2>"$work/$name.err") |
        while IFS= read -r row; do printf '%s %s\n' "$(date +%s.%N)" "$row"; done >"$work/$name.rows" &
}
now() { date +%s.%N; }

stamped host --seed 9 --host "$port"
sleep 0.3
stamped guest --join "127.0.0.1:$port"
for _ in $(seq 100); do grep -q 'WeaponShop$' "$work/guest.rows" 2>/dev/null && break; sleep 0.1; done
guest=$(cat "$work/guest.pid")

sleep 1
before=$(now)
marks=()
for seconds in 3 12; do
    sleep 1
    kill -STOP "$guest"
    sleep "$seconds"
    kill -CONT "$guest"
    marks+=("$seconds $(now)")
    sleep 6
done
wait

# lag ROWS-HOST ROWS-GUEST MOMENT: the guest's lag behind the host at the moment, in milliseconds.
lag() {
    awk -v at="$3" '
        FNR == 1 { file++ }
        $2 != "tick" { next }
        { steps = $4 + 0 }
        file == 1 { ht[++n] = $1; hs[n] = steps; next }
        $1 <= at { gt = $1; gs = steps }
        END {
            for (i = 2; i <= n; i++)
                if (hs[i] >= gs && hs[i - 1] <= gs) {
                    t = hs[i] == hs[i - 1] ? ht[i] : ht[i - 1] + (ht[i] - ht[i - 1]) * (gs - hs[i - 1]) / (hs[i] - hs[i - 1])
                    printf "%.0f", (gt - t) * 1000
                    exit
                }
            printf "?"
        }' "$1" "$2"
}

echo "before the pauses: lag $(lag "$work/host.rows" "$work/guest.rows" "$before") ms"
for mark in "${marks[@]}"; do
    read -r seconds resumed <<<"$mark"
    printf 'paused %2s s: lag after resuming' "$seconds"
    for after in 1 2 3 4 5; do
        printf '  +%d s: %s ms' "$after" "$(lag "$work/host.rows" "$work/guest.rows" "$(awk -v a="$resumed" -v b="$after" 'BEGIN { printf "%.3f", a + b }')")"
    done
    echo
done
grep -h 'CatchUp' "$work/guest.rows" | cut -d' ' -f2- || true
