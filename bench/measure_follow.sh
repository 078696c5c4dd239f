# Measures how smoothly a machine follows another's moment over a slow link: two lobshot-headless
# machines at the window's pace (--realtime), a host and a guest over ENet, each in a network
# namespace of its own joined by a veth pair whose two ends delay, jitter and lose packets (netem).
# A kernel without netem gets the faulty UDP relay of bench/net_tool.cpp instead (lobshot-net-tool
# relay, on 127.0.0.1, with the same delay, jitter and loss each way). Each link is played twice:
# with the follower's lead (the game as it is) and without (LOBSHOT_FOLLOW_LEAD=0, stepping as soon as each
# stamp is here).
#
# The match: the host shops for seat 1 while the guest follows, the guest shops for seat 2 while the
# host follows, then each fires in its turns (a handover of the moment at every turn). Every frame
# step and every tick let pass writes a low-severity trace row with the steady clock, which both
# machines share. For the machine following, the script prints:
#   stops      ticks that went by with no step, let pass or waiting for a stamp (the picture standing
#              still half a tick or more beyond its 20 ms), per minute of following a moving picture,
#              and how long the picture stood still (the gap between steps less a tick),
#              p50/p99/max; the stops of a picture standing still anyway (a shop, a shot settling,
#              where a follower runs all it holds so as to be level when the moment passes), the
#              waits at a handover of the moment (below), and the ticks the runner itself ran late
#              (another process had the processor) are counted apart;
#   lead       the lead kept while following, in frames: the median and the highest;
#   handover   from the owner's step of its last frame to the new owner's step of its first, in ms;
#   bytes/s    sent by each machine, from the veth counters (or the relay's).
#
# Needs root for the namespaces and tc; installs iproute2 when ip or tc is missing.
# Usage: bench/measure_follow.sh [BUILD-DIR] [SECONDS-OF-SHOPPING] [LINK...]   (default build, 10,
# and the links "50 10 2" and "150 30 2": delay, jitter (ms) and loss (%) each way; "0 0 0" is a local
# network; nothing is built)
set -euo pipefail
build=$(realpath "${1:-build}")
shop_ticks=$((${2:-10} * 50))
LINKS=("${@:3}")
[ ${#LINKS[@]} -gt 0 ] || LINKS=("50 10 2" "150 30 2")
runner=$build/lobshot-headless
tool=$build/lobshot-net-tool
[ -x "$runner" ] || { echo "no lobshot-headless in $build" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "measure_follow.sh needs root for its network namespaces" >&2; exit 2; }
if ! command -v ip >/dev/null || ! command -v tc >/dev/null; then
    apt-get install -y iproute2 >/dev/null
fi

work=$(mktemp -d)
ns_host=lshost$$
ns_guest=lsguest$$
cleanup() {
    exec 3>&- 2>/dev/null || true
    ip netns del "$ns_host" 2>/dev/null || true
    ip netns del "$ns_guest" 2>/dev/null || true
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
port=$((26600 + $$ % 300))

# The two namespaces and the link between them: 10.77.0.1 the host, 10.77.0.2 the guest.
ip netns add "$ns_host"
ip netns add "$ns_guest"
ip link add vh$$ netns "$ns_host" type veth peer name vg$$ netns "$ns_guest"
ip -n "$ns_host" addr add 10.77.0.1/24 dev vh$$
ip -n "$ns_guest" addr add 10.77.0.2/24 dev vg$$
for ns in "$ns_host" "$ns_guest"; do ip -n "$ns" link set lo up; done
ip -n "$ns_host" link set vh$$ up
ip -n "$ns_guest" link set vg$$ up
mode=netem
if ! ip netns exec "$ns_host" tc qdisc replace dev vh$$ root netem delay 1ms 2>/dev/null; then
    mode=relay
    [ -x "$tool" ] || { echo "no netem in this kernel, and no lobshot-net-tool in $build" >&2; exit 2; }
fi

# link DELAY JITTER LOSS: each way delays by DELAY give or take JITTER (ms) and loses LOSS (percent)
# of the packets.
link() {
    link_args=("$@")
    [ "$mode" = netem ] || return 0
    ip netns exec "$ns_host" tc qdisc replace dev vh$$ root netem delay "$1ms" "$2ms" loss "$3%"
    ip netns exec "$ns_guest" tc qdisc replace dev vg$$ root netem delay "$1ms" "$2ms" loss "$3%"
}

# The scripts: the host waits for the guest, gives it seat 2 and starts; each shops in turn and then
# fires in its turns, nudging the barrel first, until the match ends or six turns each have passed.
turns() {
    for _ in $(seq 6); do
        printf '%s\n' "until mine|EndOfMatch 200000" "wait 20" "press Up Up Up" "wait 20" "press Space" \
            "until ShotInProgress|EndOfMatch 1000" "until Aiming|EndOfMatch 200000"
    done
}
{
    printf '%s\n' "until joined 2" "wait 5" "press Enter" "until PlayerChoice 20" "press 2" "wait 5" \
        "press Down Down Down Enter" "until WeaponShop 20" "wait $shop_ticks" \
        "press Down Down Down Down Down Down Enter" "until Aiming 200000"
    turns
    echo "wait 150"
} >"$work/host.script"
{
    printf '%s\n' "until WeaponShop 200000" "until mine 200000" "wait $shop_ticks" \
        "press Down Down Down Down Down Down Enter" "until Aiming 200000"
    turns
    echo "wait 50"
} >"$work/guest.script"

tx_bytes() { ip netns exec "$1" cat "/sys/class/net/$2/statistics/tx_bytes"; }

# machine NAME NAMESPACE ARGS...: a runner, in the namespace given (or none for ""), its rows in
# NAME, its process id in $last.
machine() {
    local name=$1 ns=$2
    shift 2
    local inside=()
    [ -n "$ns" ] && inside=(ip netns exec "$ns")
    LOBSHOT_TRACE_LOW=1 LOBSHOT_FOLLOW_LEAD=$lead XDG_DATA_HOME=$work/$name.data \
        timeout 300 "${inside[@]}" "$runner" --realtime "$@" >"$work/$name" 2>"$work/$name.err" &
    last=$!
}

# play NAME LEAD: one match with the lead on (1) or off (0); the rows in NAME.host and NAME.guest,
# the bytes each sent and the seconds it took in NAME.bytes.
play() {
    local name=$1 host guest sent
    lead=$2
    local start=$(date +%s.%N)
    if [ "$mode" = netem ]; then
        local h0 g0
        h0=$(tx_bytes "$ns_host" vh$$)
        g0=$(tx_bytes "$ns_guest" vg$$)
        machine "$name.host" "$ns_host" --seed 9 --host "$port" --script "$work/host.script"
        host=$last
        sleep 0.3
        machine "$name.guest" "$ns_guest" --join "10.77.0.1:$port" --script "$work/guest.script"
        guest=$last
        wait "$guest" || true
        wait "$host" || true
        sent="$(($(tx_bytes "$ns_host" vh$$) - h0)) $(($(tx_bytes "$ns_guest" vg$$) - g0))"
    else
        local min=$((link_args[0] - link_args[1])) max=$((2 * link_args[1]))
        local loss
        loss=$(awk -v l="${link_args[2]}" 'BEGIN { print l / 100 }')
        rm -f "$work/relay.port"
        exec 3> >(exec "$tool" relay "$port" "$loss" 0 0 "$max" 600 "$min" >"$work/relay.port" 2>"$work/$name.relay")
        for _ in $(seq 50); do [ -s "$work/relay.port" ] && break; sleep 0.1; done
        machine "$name.host" "" --seed 9 --host "$port" --script "$work/host.script"
        host=$last
        sleep 0.3
        machine "$name.guest" "" --join "127.0.0.1:$(cat "$work/relay.port")" --script "$work/guest.script"
        guest=$last
        wait "$guest" || true
        wait "$host" || true
        exec 3>&-
        for _ in $(seq 50); do grep -q "bytes to the host" "$work/$name.relay" && break; sleep 0.1; done
        sent=$(sed -n 's/^relay: \([0-9]*\) bytes to the host, \([0-9]*\) to the clients/\2 \1/p' "$work/$name.relay")
    fi
    echo "$sent $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')" >"$work/$name.bytes"
}

# report NAME: the figures of one match, from both machines' rows.
report() {
    local name=$1
    # Every step, tick let pass and wait as "KIND machine frame ms stamper lead still", both
    # machines in turn, from the rows "Pace: KIND F at T ms, stamped by S, on M, lead L, held D[,
    # still]".
    sed -n 's/.*Pace: \([A-Za-z]*\) \([0-9]*\) at \([0-9]*\) ms, stamped by \([0-9]*\), on \([0-9]*\), lead \([0-9]*\), held [0-9]*\(, still\)*$/\1 \5 \2 \3 \4 \6 \7/p' \
        <(tr -d '\r' <"$work/$name.host") <(tr -d '\r' <"$work/$name.guest") | sed 's/ , still$/ 1/; s/ $/ 0/' \
        >"$work/$name.steps"
    awk -v name="$name" -v bytes="$(cat "$work/$name.bytes")" '
        function pct(a, n, p,   i, j, t) {
            for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
            i = int(n * p / 100 + 0.999999); if (i < 1) i = 1; if (i > n) i = n; return a[i]
        }
        $1 != "Step" { stopped[$2] = 1; next }
        {
            m = $2; f = $3; t = $4; s = $5; l = $6; still = $7
            at[m, f] = t; by[f] = s; if (f > last) last = f
            if (s != m) {
                following[m] += 1; movingSteps += still ? 0 : 1
                leadCount[l] += 1; nl += 1; if (l > leadMax) leadMax = l
            }
            # A gap of more than a tick and a half between two steps of frames the same other
            # machine stamped: a stop when a tick passed or waited for a stamp in it; otherwise the
            # runner itself ticked late.
            if ((m in prev) && prevBy[m] == s && s != m && t - prev[m] >= 30) {
                if (!stopped[m]) late += 1
                else if (still || prevStill[m]) stillStops += 1
                else stops[++ns] = t - prev[m] - 20
            }
            prevStill[m] = still
            prev[m] = t; prevBy[m] = s; stopped[m] = 0
        }
        END {
            minutes = (following[0] + following[1]) * 0.02 / 60
            moving = movingSteps * 0.02 / 60
            for (f = 1; f <= last; f++) {
                if (!(f in by) || !((f - 1) in by) || by[f] == by[f - 1]) continue
                o = by[f - 1]; n = by[f]
                if (((o, f - 1) in at) && ((n, f) in at)) hand[++nh] = at[n, f] - at[o, f - 1]
            }
            for (l = 0; l <= leadMax && seen * 2 < nl; l++) { seen += leadCount[l]; leadMedian = l }
            split(bytes, b, " ")
            printf "%-10s stops %5.1f/min (%d in %.1f min following a moving picture)  p50 %s ms  p99 %s ms  max %s ms\n",
                name, ns / (moving > 0 ? moving : 1), ns, moving, ns ? pct(stops, ns, 50) : "-",
                ns ? pct(stops, ns, 99) : "-", ns ? pct(stops, ns, 100) : "-"
            printf "%-10s stops of a still picture (a shop, a shot settling): %d in %.1f min\n", "", stillStops,
                minutes - moving
            printf "%-10s lead median %s max %s frames   handovers %d: p50 %s ms  max %s ms\n", "",
                nl ? leadMedian + 0 : "-", nl ? leadMax + 0 : "-", nh, nh ? pct(hand, nh, 50) : "-",
                nh ? pct(hand, nh, 100) : "-"
            printf "%-10s bytes/s sent: host %.0f, guest %.0f (%.0f s); ticks late of the runner itself: %d\n", "",
                b[1] / b[3], b[2] / b[3], b[3], late
        }' "$work/$name.steps"
}

echo "lobshot follow figures: a host and a guest over ENet, each way as given ($mode)"
for setting in "${LINKS[@]}"; do
    read -r delay jitter loss <<<"$setting"
    link "$delay" "$jitter" "$loss"
    echo "== each way: delay ${delay} ms, jitter ${jitter} ms, loss ${loss}%"
    for lead in 0 1; do
        name=$delay.$([ "$lead" = 1 ] && echo after || echo before)
        play "$name" "$lead"
        for side in host guest; do
            [ -s "$work/$name.$side.err" ] && sed "s/^/  $name $side: /" "$work/$name.$side.err" | tail -3
        done
        report "$name"
    done
done
