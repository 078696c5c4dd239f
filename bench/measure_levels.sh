#!/usr/bin/env bash
# The computer levels as people meet them: the ladder between the levels and the person-like
# players against them, over whole matches of the real game, with what each level bought and fired
# and the eight-player matches each level won.
# Usage: bench/measure_levels.sh [build-dir [seeds [matches-per-game [jobs]]]]
# (defaults: build, 12 seeds, 3 matches a game, 2 jobs): some 800 matches, about half an hour on
# two idle cores.
set -euo pipefail
build=${1:-build}
seeds=${2:-12}
matches=${3:-3}
jobs=${4:-2}
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
XDG_DATA_HOME=$data nice -n 15 "$build/lobshot-bench-ladder" "$seeds" "$matches" 0 11 "$jobs"
