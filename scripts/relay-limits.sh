#!/usr/bin/env bash
# Puts the relay's limits per address in front of its broker, in the machine's firewall (nftables),
# for a public deployment: how many connections one address may hold at once, and how fast it may
# open new ones. A connection over either limit is reset before the broker sees it, so that one
# address can neither take all of the broker's connections nor guess room codes quickly (each guess
# is a connection). Replaces any limits this script put up before; `--remove` takes them down.
# Installs nftables if it is missing; needs root (or a network namespace of one's own).
#
# Usage: scripts/relay-limits.sh [--connections N] [--per-second N] [PORT]   (PORT: the relay's TCP
#        port, 1883 by default; its WebSocket listener on PORT+1 is limited alike)
#        scripts/relay-limits.sh --remove
#
# People behind one router share an address: the defaults (32 connections at once, 10 new a second
# with bursts of 20) let a household or a LAN party of eight machines and their spectators in.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

connections=32
per_second=10
port=1883
remove=false
while [ $# -gt 0 ]; do
  case $1 in
    --connections) connections=${2:-}; shift 2 ;;
    --per-second) per_second=${2:-}; shift 2 ;;
    --remove) remove=true; shift ;;
    *) port=$1; shift ;;
  esac
done
for value in "$connections" "$per_second" "$port"; do
  if ! [[ $value =~ ^[0-9]+$ ]] || [ "$value" -lt 1 ] || [ "$value" -gt 65534 ]; then
    echo "usage: $0 [--connections N] [--per-second N] [PORT] | --remove   (numbers from 1 to 65534)" >&2
    exit 2
  fi
done

PATH=$PATH:/usr/sbin
command -v nft >/dev/null || "$source_dir/scripts/install-deps.sh" nftables

# The table is the script's own: made afresh each time, so that running it again changes the limits.
nft list table inet lobshot_relay >/dev/null 2>&1 && nft delete table inet lobshot_relay
$remove && exit 0
nft -f - <<EOF
table inet lobshot_relay {
  set holding4 { type ipv4_addr; flags dynamic; }
  set holding6 { type ipv6_addr; flags dynamic; }
  set opening4 { type ipv4_addr; flags dynamic; timeout 1m; }
  set opening6 { type ipv6_addr; flags dynamic; timeout 1m; }
  chain input {
    type filter hook input priority filter; policy accept;
    tcp dport { $port, $((port + 1)) } ct state new jump relay
  }
  chain relay {
    add @holding4 { ip saddr ct count over $connections } reject with tcp reset
    add @holding6 { ip6 saddr ct count over $connections } reject with tcp reset
    update @opening4 { ip saddr limit rate over $per_second/second burst $((2 * per_second)) packets } reject with tcp reset
    update @opening6 { ip6 saddr limit rate over $per_second/second burst $((2 * per_second)) packets } reject with tcp reset
  }
}
EOF
