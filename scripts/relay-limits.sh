#!/usr/bin/env bash
# Puts the relay's limits per address in front of its broker, in the machine's firewall (nftables),
# for a public deployment: how many connections one address may hold at once, how fast it may open
# new ones, and how many bytes a second it may send on them. A new connection over a limit is reset
# before the broker sees it, and logged (a few lines a minute at most); bytes over the rate are
# dropped, which slows the sender's TCP down to it. So one address can neither take all of the
# broker's connections, nor guess room codes quickly (each guess is a connection: the broker takes
# one user name, the code, a connection), nor flood a room with messages. Limits are per IPv4
# address and per IPv6 /64 (what one subscriber is usually given); the loopback is let through, as
# the web server in front of the WebSocket listener comes from there (it limits pages itself:
# relay/deploy/nginx-site.conf). Replaces any limits this script put up before; `--remove` takes
# them down. Installs nftables if it is missing; needs root (or a network namespace of one's own).
#
# Usage: scripts/relay-limits.sh [--connections N] [--per-minute N] [--burst N] [--kbytes N]
#                                [--also PORT]... [PORT]
#        scripts/relay-limits.sh --remove
#   PORT          the relay's TCP port, 1883 by default; its WebSocket listener on PORT+1 is limited
#                 alike, and so is each --also PORT (the web server's 443 in a deployment)
#   --connections connections one address holds at once (32)
#   --per-minute  new connections a minute from one address (60), after a first --burst (20)
#   --kbytes      KiB a second one address sends (128), after a first 16 times as much
#
# People behind one router share an address: the defaults let a household or a LAN party of eight
# machines and their spectators in at once, and a host of a full room sends about 25 KiB a second
# (bench/measure_relay.sh measures 2.9 KiB a second for each guest). A guesser gets one code a
# second: with 10,000 rooms open among the 2^40 codes, it finds one in 3.5 years on average. A
# flooder's messages are bounded by its bytes: the smallest a room takes is 43 bytes where topic
# aliases are refused (relay/deploy/), so at most some 3,000 a second after a first 48,000 (the
# sender's TCP, backing off as its bytes are dropped, gets fewer through: bench/measure_relay_limits.sh
# measures what an attacker at one address is left with).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

connections=32
per_minute=60
burst=20
kbytes=128
port=1883
also=()
remove=false
while [ $# -gt 0 ]; do
  case $1 in
    --connections) connections=${2:-}; shift 2 ;;
    --per-minute) per_minute=${2:-}; shift 2 ;;
    --burst) burst=${2:-}; shift 2 ;;
    --kbytes) kbytes=${2:-}; shift 2 ;;
    --also) also+=("${2:-}"); shift 2 ;;
    --remove) remove=true; shift ;;
    *) port=$1; shift ;;
  esac
done
for value in "$connections" "$per_minute" "$burst" "$kbytes" "$port" "${also[@]}"; do
  if ! [[ $value =~ ^[0-9]+$ ]] || [ "$value" -lt 1 ] || [ "$value" -gt 65534 ]; then
    echo "usage: $0 [--connections N] [--per-minute N] [--burst N] [--kbytes N] [--also PORT]... [PORT]" \
         "| --remove   (numbers from 1 to 65534)" >&2
    exit 2
  fi
done
ports=$(printf '%s, ' "$port" "$((port + 1))" "${also[@]}")
ports=${ports%, }

PATH=$PATH:/usr/sbin
command -v nft >/dev/null || "$source_dir/scripts/install-deps.sh" nftables

# The table is the script's own: made afresh each time, so that running it again changes the limits.
nft list table inet lobshot_relay >/dev/null 2>&1 && nft delete table inet lobshot_relay
$remove && exit 0
prefix6='ip6 saddr & ffff:ffff:ffff:ffff::'
nft -f - <<EOF
table inet lobshot_relay {
  set holding4 { type ipv4_addr; flags dynamic; }
  set holding6 { type ipv6_addr; flags dynamic; }
  set opening4 { type ipv4_addr; flags dynamic; timeout 10m; }
  set opening6 { type ipv6_addr; flags dynamic; timeout 10m; }
  set sending4 { type ipv4_addr; flags dynamic; timeout 10m; }
  set sending6 { type ipv6_addr; flags dynamic; timeout 10m; }
  chain input {
    type filter hook input priority filter; policy accept;
    ip saddr 127.0.0.0/8 return
    ip6 saddr ::1 return
    tcp dport { $ports } ct state new jump opening
    tcp dport { $ports } jump sending
  }
  chain opening {
    add @holding4 { ip saddr ct count over $connections } jump refuse
    add @holding6 { $prefix6 ct count over $connections } jump refuse
    update @opening4 { ip saddr limit rate over $per_minute/minute burst $burst packets } jump refuse
    update @opening6 { $prefix6 limit rate over $per_minute/minute burst $burst packets } jump refuse
  }
  chain sending {
    update @sending4 { ip saddr limit rate over $kbytes kbytes/second burst $((16 * kbytes)) kbytes } drop
    update @sending6 { $prefix6 limit rate over $kbytes kbytes/second burst $((16 * kbytes)) kbytes } drop
  }
  chain refuse {
    limit rate 6/minute log prefix "lobshot-relay: over a limit: " level notice
    reject with tcp reset
  }
}
EOF
