#!/usr/bin/env bash
# Plays a long soak: MATCHES complete matches (1000 unless given) of random games from SEED (1
# unless given) on the optimised build, with the game's rules checked after every frame. Any
# failure leaves its key script in build/ for a scenario test; the summary is printed at the end.
#
#     scripts/soak.sh [MATCHES] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
matches=${1:-1000}
seed=${2:-1}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target lobshot-soak
exec build/lobshot-soak --seed "$seed" --matches "$matches" --repro "build/soak-failure-$seed.script"
