#!/usr/bin/env bash
# Prints Lighthouse's accessibility and performance scores of the web page on a phone and on a
# desktop (see bench/lighthouse.mjs), the page's goals being at least 95 for accessibility on both
# and 90 for performance on a phone. The page must be built (scripts/web.sh --no-serve); Chromium,
# puppeteer-core and Lighthouse are installed into build-web/node_modules if missing.
# Usage: bench/lighthouse.sh
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build-web/site/index.html ] || { echo "build the page first: scripts/web.sh --no-serve" >&2; exit 2; }
tests/page/run.sh --install
if [ ! -f build-web/node_modules/lighthouse/package.json ]; then
  npm install --prefix build-web --no-audit --no-fund --loglevel=error lighthouse@12 >/dev/null
fi
exec node bench/lighthouse.mjs
