#!/usr/bin/env bash
# Finds a seed whose first landscape in a two-player game is the largest one (1200x500), for
# measuring the longest terraforming: the replay runner plays the flow from the title to the first
# aiming turn for two seeds, which fixes how many draws of the game's generator come before the
# landscape's size; the generator's arithmetic then gives the seeds whose size draws are the
# largest, and the replay runner confirms the first of them. Prints the seed.
#
# Usage: bench/largest_landscape_seed.sh [HEADLESS]   (defaults to build/lobshot-headless)
set -euo pipefail
headless=$(realpath "${1:-build/lobshot-headless}")
[ -x "$headless" ] || { echo "no replay runner at $headless" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The flow the presenter measurement drives by hand: two people, straight to the first landscape.
printf '%s\n' "wait 2" "press Enter" "wait 1" "press Down Down Down Enter" "wait 1" \
  "press Down Down Down Down Down Down Enter" "wait 1" "press Down Down Down Down Down Down Enter" \
  "until Aiming 10" >"$work/flow.script"
size() { # the first landscape's width and height for a seed
  "$headless" --seed "$1" --script "$work/flow.script" --state "$work/state.json" >/dev/null
  python3 -c 'import json, sys; l = json.load(open(sys.argv[1]))["landscape"]; print(l["width"], l["height"])' \
    "$work/state.json"
}
read -r w1 h1 < <(size 1)
read -r w2 h2 < <(size 2)

python3 - "$w1" "$h1" "$w2" "$h2" >"$work/seed" <<'PY'
import sys
# The game's generator: state = state * 214013 + 2531011 (mod 2^32), a draw is bits 16 to 30.
A, C, M = 214013, 2531011, 1 << 32
W0, WN, H0, HN = 640, 561, 300, 201  # widths 640..1200, heights 300..500
w1, h1, w2, h2 = map(int, sys.argv[1:])

def draws(seed, count):
    s, out = seed, []
    for _ in range(count):
        s = (s * A + C) % M
        out.append((s >> 16) & 0x7FFF)
    return out

# How many draws come before the width's: the first count that fits both seeds.
d1, d2 = draws(1, 20000), draws(2, 20000)
before = next(k for k in range(19999)
              if W0 + d1[k] % WN == w1 and H0 + d1[k + 1] % HN == h1
              and W0 + d2[k] % WN == w2 and H0 + d2[k + 1] % HN == h2)

# The state after the width's draw is A_k * seed + C_k, for the composed steps.
ak, ck = 1, 0
for _ in range(before + 1):
    ak, ck = ak * A % M, (ck * A + C) % M
inverse = pow(ak, -1, M)
for top in range(1 << 16):  # bits 16 to 31 of the state after the width's draw
    if (top & 0x7FFF) % WN != WN - 1:
        continue
    base = top << 16
    for low in range(1 << 16):
        state = base | low
        if (((state * A + C) % M >> 16) & 0x7FFF) % HN == HN - 1:
            print((state - ck) * inverse % M)
            sys.exit(0)
sys.exit("no seed found")
PY
seed=$(cat "$work/seed")
read -r w h < <(size "$seed")
if [ "$w" != 1200 ] || [ "$h" != 500 ]; then
  echo "seed $seed makes a ${w}x${h} landscape, not 1200x500" >&2
  exit 1
fi
echo "$seed"
