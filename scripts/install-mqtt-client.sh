#!/usr/bin/env bash
# Installs the MQTT client the page joins online rooms with (the npm package mqtt, whose browser
# build scripts/web.sh puts beside the page) into build-web/node_modules, if it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build-web/node_modules/mqtt/dist/mqtt.min.js ]; then
  scripts/install-deps.sh nodejs npm
  npm install --prefix build-web --no-audit --no-fund --loglevel=error mqtt@5 >/dev/null
fi
