#!/usr/bin/env bash
# Runs the relay of online rooms (a Mosquitto broker with relay/'s configuration) in the foreground
# on this machine: MQTT over TCP on 127.0.0.1:PORT (default 1883) and over WebSocket on PORT+1.
# Installs Mosquitto first if it is missing. Stop it with Ctrl-C or SIGTERM.
#
# With --brokers N it runs N independent brokers, a relay of several (net/relay_address.h): broker
# I (from 0) on PORT+2I and PORT+2I+1, and says the relay setting that names them all, in order,
# for the players: 127.0.0.1:PORT,127.0.0.1:PORT+2,... Each room lives on the broker its code
# names; one broker stopped ends only its rooms. Stopping the script stops them all.
#
# Usage: scripts/relay.sh [--brokers N] [PORT]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

brokers=1
if [ "${1:-}" = --brokers ]; then
  brokers=${2:-}
  shift 2 || true
fi
port=${1:-1883}
if ! [[ $brokers =~ ^[0-9]+$ ]] || [ "$brokers" -lt 1 ] || [ "$brokers" -gt 16 ] ||
   ! [[ $port =~ ^[0-9]+$ ]] || [ "$port" -lt 1 ] || [ $((port + 2 * brokers - 1)) -gt 65535 ]; then
  echo "usage: $0 [--brokers N] [PORT]   (N from 1 to 16 brokers on PORT, PORT+2...; each takes the" >&2
  echo "next port for WebSocket too, the last of them at most 65535)" >&2
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
# control file is read where it lies. As the root of a user namespace of its own (the tests'), the
# broker stays root: there is no other user to become.
relay_dir=$source_dir/relay
configuration() {
  sed -e "s|@PORT@|$1|g" -e "s|@WEBSOCKET_PORT@|$(($1 + 1))|g" \
      -e "s|@ADDRESS@|127.0.0.1|g" -e "s|@RELAY_DIR@|$relay_dir|g" "$relay_dir/mosquitto.conf"
  if [ "$(id -u)" = 0 ] && ! grep -qE '^ *0 +0 +4294967295$' /proc/self/uid_map; then echo "user root"; fi
}
if [ "$brokers" = 1 ]; then exec mosquitto -c <(configuration "$port"); fi

pids=() setting=""
trap 'kill "${pids[@]}" 2>/dev/null; wait' EXIT
trap 'exit 0' INT TERM
for ((i = 0; i < brokers; i++)); do
  mosquitto -c <(configuration $((port + 2 * i))) &
  pids+=($!)
  setting+="${setting:+,}127.0.0.1:$((port + 2 * i))"
done
echo "The relay: $setting"
wait
