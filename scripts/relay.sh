#!/usr/bin/env bash
# Runs the relay of online rooms (a Mosquitto broker with relay/'s configuration) in the foreground
# on this machine: MQTT over TCP on 127.0.0.1:PORT (default 1883) and over WebSocket on PORT+1.
# Installs Mosquitto first if it is missing. Stop it with Ctrl-C or SIGTERM.
#
# Usage: scripts/relay.sh [PORT]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

port=${1:-1883}
if ! [[ $port =~ ^[0-9]+$ ]] || [ "$port" -lt 1 ] || [ "$port" -gt 65534 ]; then
  echo "usage: $0 [PORT]   (PORT from 1 to 65534; the WebSocket listener takes PORT+1)" >&2
  exit 2
fi

# Debian keeps the broker in /usr/sbin, which a user's PATH may lack.
PATH=$PATH:/usr/sbin
if ! command -v mosquitto >/dev/null; then
  "$source_dir/scripts/install-deps.sh" mosquitto
fi

# A connection takes a file descriptor: as many as this user may have (a broker of many rooms
# holds more than the usual 1,024).
ulimit -n "$(ulimit -Hn)" 2>/dev/null || true

# The configuration reaches the broker through a pipe, so nothing is left behind; the access
# control file is read where it lies.
relay_dir=$source_dir/relay
exec mosquitto -c <(sed -e "s|@PORT@|$port|g" -e "s|@WEBSOCKET_PORT@|$((port + 1))|g" \
                        -e "s|@ADDRESS@|127.0.0.1|g" -e "s|@RELAY_DIR@|$relay_dir|g" \
                        "$relay_dir/mosquitto.conf")
