#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for a while on a small seed corpus. Exits non-zero if any target finds a fault.
#
# Usage: fuzz/run.sh [--libraries BUILD] BUILD-DIR [SECONDS [TARGET...]]
#   SECONDS: how long each target runs (default 10); TARGET: wave, bitmap, script, table, net,
#   replay or relay (default all). Work files go to BUILD-DIR/fuzz: the game's libraries built with
#   clang under lib/, each target's corpus under corpus-NAME/ and what it finds under artifacts/.
#   --libraries BUILD: the targets link the game's libraries of BUILD, a build by clang configured
#   with LOBSHOT_SANITIZE and LOBSHOT_FUZZ_LIBRARIES and built, rather than building their own; two
#   runs on different targets may then share BUILD-DIR at the same time.
#
# Targets: wave (the WAVE parser), bitmap (the picture decoder through the sprite and font
# loaders), script (the replay runner's key-script parser), table (hostile data tables through
# start-up's checks and the crater, debris and scatter code that reads them), net (the network
# game's message decoder), replay (the replay file's parser) and relay (the envelope of messages
# on the relay of online rooms).
set -eu

libraries=
if [ "${1:-}" = --libraries ] && [ $# -ge 2 ]; then
    libraries=$2
    shift 2
fi
if [ $# -lt 1 ]; then
    echo "usage: $0 [--libraries BUILD] BUILD-DIR [SECONDS [TARGET...]]" >&2
    exit 2
fi
if ! command -v clang++ >/dev/null; then
    echo "$0: clang++ is needed (Debian packages clang and libclang-rt-14-dev)" >&2
    exit 1
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
work=$(cd "$1" && pwd)/fuzz
seconds=${2:-10}
shift
[ $# -gt 0 ] && shift
targets=${*:-wave bitmap script table net replay relay}
mkdir -p "$work/artifacts"
flags="-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined"

# The game's libraries, instrumented for coverage: only what the targets past WAVE link.
if [ -n "$libraries" ]; then
    lib=$(cd "$libraries" && pwd)
    grep -qx 'LOBSHOT_FUZZ_LIBRARIES:BOOL=ON' "$lib/CMakeCache.txt" || {
        echo "$0: $libraries is not configured with LOBSHOT_FUZZ_LIBRARIES" >&2
        exit 1
    }
else
    lib=$work/lib
    cmake -S "$source_dir" -B "$lib" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags -fsanitize=fuzzer-no-link" \
        -DLOBSHOT_BUILD_GAME=OFF -DLOBSHOT_BUILD_TESTS=OFF -DLOBSHOT_BUILD_BENCH=OFF >/dev/null
    ASAN_OPTIONS=detect_leaks=0 cmake --build "$lib" -j2 --target lobshot_core lobshot_platform_headless \
        lobshot_headless_runner lobshot_net lobshot_net_enet >/dev/null
fi
libs="-Wl,--start-group $lib/runner/liblobshot_headless_runner.a $lib/liblobshot_core.a \
    $lib/liblobshot_platform_headless.a $lib/net/liblobshot_net.a $lib/net/liblobshot_net_enet.a \
    -Wl,--end-group $(pkg-config --libs libenet) -lpthread"

build() {  # NAME SOURCES...: the target NAME_fuzz
    name=$1
    shift
    clang++ $flags -fsanitize=fuzzer -I"$source_dir" "$@" -o "$work/${name}_fuzz"
}

seed_wave() {
    # A plain 16-bit mono wave; an 8-bit stereo one behind an odd-sized chunk; one whose 14-byte
    # format chunk has no sample size; one at another rate whose data runs past its end.
    fmt16='fmt \020\000\000\000\001\000\001\000\042\126\000\000\104\254\000\000\002\000\020\000'
    printf "RIFF\054\000\000\000WAVE${fmt16}data\010\000\000\000\001\000\377\177\000\200\020\000" \
        >"$1/mono16"
    printf 'RIFF\066\000\000\000WAVELIST\003\000\000\000abc\000fmt \020\000\000\000\001\000\002\000\021\053\000\000\104\254\000\000\002\000\010\000data\006\000\000\000\000\200\377\100\300\020' \
        >"$1/stereo8"
    printf 'RIFF\044\000\000\000WAVEfmt \016\000\000\000\001\000\001\000\100\037\000\000\200\076\000\000\002\000data\002\000\000\000\377\177' \
        >"$1/short_format"
    printf 'RIFF\050\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\104\254\000\000\210\130\001\000\002\000\020\000data\377\000\000\000\001\000' \
        >"$1/data_past_end"
}

seed_bitmap() {
    # The game's own small pictures as built (24-bit tanks and windsock, 8-bit fireworks, the 1-bit
    # font sheets), and a 2x2 8-bit picture stored top-down without a file header.
    for name in TANKRED WINDSOCK0 FIREWORK1 SMALLCHARS NORMALCHARS; do
        cp "$lib/generated/pictures/IDB_$name.bmp" "$1/$name"
    done
    printf '\050\000\000\000\002\000\000\000\376\377\377\377\001\000\010\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\002\000\000\000\000\000\000\000\000\000\377\000\377\377\377\000\000\001\000\000\001\000\000\000' \
        >"$1/top_down8"
}

seed_script() {
    # The scenario scripts, and lines at the edges of the language.
    cp "$source_dir"/tests/scenarios/*.script "$1/"
    printf 'until Aiming|EndOfMatch|Title 4294967295\nwait 0\nrepeat f12\n' >"$1/edges"
    printf 'press \001\377\nstate a\\b.json\r\nactivate 1 # on\n' >"$1/garbage"
}

seed_table() {
    # No patch (the real tables); a disc offset far out; a zero ring start; a scatter offset at the
    # largest integer; a disc distance that is not a number.
    : >"$1/real"
    printf '\000\000\001\000\350\003\000\000' >"$1/far_offset"
    printf '\001\014\000\000\000\000\000\000' >"$1/zero_ring"
    printf '\002\000\000\000\377\377\377\177' >"$1/huge_scatter"
    printf '\000\030\000\000\000\000\300\177' >"$1/nan_distance"
}

seed_net() {
    # A hello offering a token, a welcome, a piece of a catch-up, an input of two frames, quiet
    # frames, a state hash, news of a machine leaving and a goodbye, the names, a chat line and a
    # muting; and an input whose frame count is far more than it holds.
    printf '\001\003\000\004v0.1\001\002\003\004\005\006\007\010' >"$1/hello"
    printf '\002\003\021\042\000\000\000\000\000\000' >"$1/welcome"
    printf '\004\022\000\000\000delivered 3\nend 4\n\001' >"$1/catch_up"
    printf '\005\001\002\000\007\000\000\000\002\101\001\101\000\010\000\000\000\001\040\001' >"$1/input"
    printf '\006\002\005\000\000\000\011\000\000\000' >"$1/quiet"
    printf '\007\144\000\000\000\001\002\003\004\005\006\007\010' >"$1/state_hash"
    printf '\010\144\000\000\000\003\000\143\000\000\000' >"$1/roster"
    printf '\011\003bye' >"$1/goodbye"
    printf '\015\003\003Ann\000\002Bo' >"$1/names"
    printf '\016\002\011good shot\000' >"$1/chat"
    printf '\016\002\000\001' >"$1/muted"
    printf '\005\000\377\377\001\000\000\000\001\101\001' >"$1/huge_count"
}

seed_replay() {
    # A replay with every kind of event, one with no events at all, one cut short, and one of Lobshot
    # 0.1's (format 2).
    rules=$(sed -n 's/^constexpr int RULES_VERSION = \([0-9]*\);$/\1/p' "$source_dir/core/rules_version.h")
    header="lobshot-replay 3\nrules $rules\nseed 7\ngravity 1\nwind 2\ncontrollers human easy normal hard human human human human\n"
    printf "${header}0 activateapp 1\n3 down 13\n3 up 13\n9 repeat 37\n9 computer 88\n12 activate 0\n14 joined 3\n14 name 3 Bo\n14 chat 3 good shot\n15 left 3\n16 offline\n20 close\nend 20\n" >"$1/every_event"
    printf "${header}end 0\n" >"$1/empty"
    printf "${header}4 down 32\n" >"$1/cut"
    printf "lobshot-replay 2\ngame 0.1\nseed 7\ngravity 0\nwind 0\ncontrollers human human human human human human human human\n3 down 13\nend 5\n" >"$1/old"
}

seed_relay() {
    # A hello, a room notice, a message, a last will and a goodbye with a reason.
    printf '\001\001\000\000\000\001' >"$1/hello"
    printf '\004\000\000\000\000\001' >"$1/room"
    printf '\002\007\000\000\000abc' >"$1/data"
    printf '\003\000\000\000\000\002' >"$1/will"
    printf '\003\011\000\000\000\003' >"$1/bye"
}

status=0
for target in $targets; do
    case $target in
        wave) build wave "$source_dir/fuzz/wave_fuzz.cpp" "$source_dir/sound/wave.cpp" \
                  "$source_dir/sound/mixer.cpp"; max_len=4096 ;;
        bitmap) build bitmap "$source_dir/fuzz/bitmap_fuzz.cpp" $libs; max_len=8192 ;;
        script) build script "$source_dir/fuzz/script_fuzz.cpp" $libs; max_len=4096 ;;
        table) build table "$source_dir/fuzz/table_fuzz.cpp" $libs; max_len=256 ;;
        net) build net "$source_dir/fuzz/net_fuzz.cpp" "$source_dir/net/messages.cpp" "$source_dir/net/room_code.cpp" \
                 "$source_dir/net/people_text.cpp"; max_len=2048 ;;
        relay) build relay "$source_dir/fuzz/relay_fuzz.cpp" "$source_dir/net/relay/envelope.cpp"; max_len=256 ;;
        replay) build replay "$source_dir/fuzz/replay_fuzz.cpp" "$source_dir/replay/replay.cpp" \
                    "$source_dir/net/people_text.cpp" \
                    "-DLOBSHOT_VERSION=\"$(sed -n 's/^project(lobshot VERSION \([0-9.]*\).*/\1/p' \
                    "$source_dir/CMakeLists.txt")\""; max_len=4096 ;;
        *) echo "$0: unknown target $target" >&2; exit 2 ;;
    esac
    corpus=$work/corpus-$target
    mkdir -p "$corpus"
    "seed_$target" "$corpus"
    echo "=== fuzzing $target for $seconds s"
    "$work/${target}_fuzz" -max_total_time="$seconds" -max_len=$max_len -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/artifacts/$target-" -print_final_stats=1 "$corpus" || status=1
done
exit $status
