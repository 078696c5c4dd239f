#!/usr/bin/env bash
# Measures what the relay's limits per address (scripts/relay-limits.sh, with their defaults) leave
# an attacker at one address, against a broker with the deployment's configuration (relay/, no topic
# aliases) in a network namespace of the script's own, with the limits and without: how many room
# codes it can try a second (a connection each, as the broker takes one user name a connection), and
# how many of the smallest messages a room takes it can have the broker pass on a second. Each
# measure lasts SECONDS and counts its second half, once the limits' first bursts are spent.
#
# Usage: bench/measure_relay_limits.sh [SECONDS]   (20 by default)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}

if [ "${LOBSHOT_IN_NAMESPACE:-}" != 1 ]; then
  exec env LOBSHOT_IN_NAMESPACE=1 unshare -rn "$0" "$@"
fi
ip link set lo up
ip addr add 10.0.0.1/24 dev lo
work=$(mktemp -d)
sed -e "s|@PORT@|18830|g" -e "s|@WEBSOCKET_PORT@|18831|g" -e "s| @ADDRESS@||g" -e "s|@RELAY_DIR@|$source_dir/relay|g" \
    -e '/^listener /a max_topic_alias 0' "$source_dir/relay/mosquitto.conf" >"$work/relay.conf"
# The namespace has root alone: the broker keeps it rather than become its own user.
echo "user root" >>"$work/relay.conf"
/usr/sbin/mosquitto -c "$work/relay.conf" 2>/dev/null &
broker=$!
trap 'kill $broker; rm -rf "$work"' EXIT
sleep 0.5

# attack guesses|flood SECONDS: the attacker, from 10.0.0.1; a spectator in the flooded room reads
# from the loopback, which the limits let through.
attack() {
  python3 - "$@" <<'EOF'
import socket, sys, threading, time
what, seconds = sys.argv[1], float(sys.argv[2])
def text(s): b = s.encode(); return len(b).to_bytes(2, "big") + b
def packet(kind, body):
    n, length = len(body), b""
    while True:
        n, digit = n // 128, n % 128
        length += bytes([digit | (128 if n else 0)])
        if not n: return bytes([kind]) + length + body
def connect(client, code, source):
    s = socket.create_connection(("10.0.0.1", 18830), timeout=2, source_address=(source, 0))
    s.sendall(packet(0x10, text("MQTT") + bytes([5, 0x82, 0, 60, 0]) + text(client) + text(code)))
    return s if s.recv(4)[:1] == b"\x20" else None
end = time.monotonic() + seconds
half = [0]
threading.Timer(seconds / 2, lambda: half.append(counted[0])).start()
counted = [0]
if what == "guesses":
    while time.monotonic() < end:
        try:
            s = connect("GUESSER%09d" % counted[0], "%08d" % counted[0], "10.0.0.1")
            counted[0] += s is not None
            s.close()
        except OSError: pass
    print(f"room codes tried: {(counted[0] - half[-1]) / (seconds / 2):.0f} a second")
else:
    reader = connect("READERXXXXXXXXXX", "ABCDEFGH", "127.0.0.1")
    reader.sendall(packet(0x82, b"\x00\x01\x00" + text("lobshot/ABCDEFGH/host/+") + b"\x00"))
    def read():
        while True:
            try: data = reader.recv(1 << 20)
            except socket.timeout: continue
            except OSError: return
            if not data: return
            counted[0] += data.count(b"lobshot/")
    threading.Thread(target=read, daemon=True).start()
    flooder = connect("FLOODERXXXXXXXXX", "ABCDEFGH", "10.0.0.1")
    message = packet(0x30, text("lobshot/ABCDEFGH/host/FLOODERXXXXXXXXX") + b"\x00")
    flooder.setblocking(False)
    while time.monotonic() < end:
        try: flooder.send(message * 1000)
        except BlockingIOError: time.sleep(0.001)
        except OSError: break
    print(f"messages of {len(message)} bytes passed on: {(counted[0] - half[-1]) / (seconds / 2):.0f} a second")
EOF
}

echo "== Without limits"
attack guesses "$seconds"
attack flood "$seconds"
"$source_dir/scripts/relay-limits.sh" 18830 >/dev/null
echo "== With scripts/relay-limits.sh's defaults"
attack guesses "$seconds"
attack flood "$seconds"
