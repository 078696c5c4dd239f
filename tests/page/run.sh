#!/usr/bin/env bash
# Runs the browser tests of the web page in Debian's Chromium, headless, installing Chromium and
# puppeteer-core (into build-web/node_modules, never a browser of its own) if missing. The page must
# be built (scripts/web.sh --no-serve) and the replay runner too: LOBSHOT_HEADLESS names it,
# build/lobshot-headless by default.
set -euo pipefail
cd "$(dirname "$0")/../.."

missing=()
command -v chromium >/dev/null || missing+=(chromium)
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
# Only commands not there at all: a node already on the machine is used as it is.
[ ${#missing[@]} -eq 0 ] || scripts/install-deps.sh "${missing[@]}"
if [ ! -f build-web/node_modules/puppeteer-core/package.json ]; then
  npm install --prefix build-web --no-audit --no-fund --loglevel=error puppeteer-core@25 >/dev/null
fi

exec node --test tests/page/browser.test.mjs
