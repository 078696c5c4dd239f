#!/usr/bin/env bash
# Runs the browser tests of the web page in Debian's Chromium, headless, installing Chromium,
# puppeteer-core (into build-web/node_modules, never a browser of its own) and the page's MQTT
# client if missing. The page must
# be built (scripts/web.sh --no-serve) and the replay runner too: LOBSHOT_HEADLESS names it,
# build/lobshot-headless by default. `tests/page/run.sh --install` only installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/../.."

# A node and npm already on the machine are used as they are.
scripts/install-deps.sh chromium nodejs npm nginx libnginx-mod-http-brotli-static libnginx-mod-http-brotli-filter \
  libnss3-tools
if [ ! -f build-web/node_modules/puppeteer-core/package.json ]; then
  npm install --prefix build-web --no-audit --no-fund --loglevel=error puppeteer-core@25 >/dev/null
fi
scripts/install-mqtt-client.sh
[ "${1:-}" = --install ] && exit 0

# The files mostly wait on their pages and on real time, so four run side by side (node takes them
# in the order of their names): the longest, the away and host cases, start at once.
# LOBSHOT_PAGE_JOBS=1 runs them one after another. A test that hangs fails after 8 minutes, and a
# file whose tests have ended exits even if a connection or timer of a failed test is still open.
run() {
  node --test --test-concurrency="$1" --test-timeout=480000 --test-force-exit "${@:2}"
}

# The rooms' tests hold real-time peers (a native game at 50 frames a second, the relay's 5 s
# silence) beside pages stepped as fast as the machine lets them: on a machine loaded by more than
# these tests, a timing failure stays possible. A file that fails runs again alone, once, after its
# failure is printed: a fault fails both times, and the second run's result is the command's.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if run "${LOBSHOT_PAGE_JOBS:-4}" tests/page/*.test.mjs | tee "$log"; then exit 0; fi
mapfile -t failed < <(grep -A8 '^not ok ' "$log" | sed -n "s|^  location: '\(.*\.test\.mjs\):[0-9:]*'\$|\1|p" | sort -u)
if [ ${#failed[@]} -eq 0 ] || [ ${#failed[@]} -gt 2 ]; then
  echo "The browser tests failed (see above)." >&2
  exit 1
fi
echo "The browser tests failed in ${failed[*]}; run again alone, once:"
run 1 "${failed[@]}"
