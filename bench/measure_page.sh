#!/usr/bin/env bash
# Measures the web page a player downloads and runs (see bench/measure_page.mjs): its compressed
# sizes, the time to playable over a throttled "Fast 4G" link, the idle title's processor time and
# the game's speed at 30, 60 and 144 frame callbacks a second. The page must be built
# (scripts/web.sh --no-serve); Chromium and puppeteer-core are installed if missing.
# Usage: bench/measure_page.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tests/page/run.sh --install
exec node bench/measure_page.mjs
