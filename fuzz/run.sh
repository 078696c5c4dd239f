#!/bin/sh
# Builds the WAVE fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs it for a while on a small seed corpus. Exits non-zero if it finds a fault.
#
# Usage: fuzz/run.sh BUILD-DIR [SECONDS]   (default 10 seconds; work files go to BUILD-DIR/fuzz)
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD-DIR [SECONDS]" >&2
    exit 2
fi
if ! command -v clang++ >/dev/null; then
    echo "$0: clang++ is needed (Debian packages clang and libclang-rt-14-dev)" >&2
    exit 1
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$1/fuzz
seconds=${2:-10}
mkdir -p "$work/corpus" "$work/artifacts"

clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$source_dir" "$source_dir/fuzz/wave_fuzz.cpp" "$source_dir/sound/wave.cpp" \
    "$source_dir/sound/mixer.cpp" -o "$work/wave_fuzz"

# Seeds: a plain 16-bit mono wave; an 8-bit stereo one behind an odd-sized chunk; one whose
# 14-byte format chunk has no sample size; one at another rate whose data runs past its end.
fmt16='fmt \020\000\000\000\001\000\001\000\042\126\000\000\104\254\000\000\002\000\020\000'
printf "RIFF\054\000\000\000WAVE${fmt16}data\010\000\000\000\001\000\377\177\000\200\020\000" \
    >"$work/corpus/mono16"
printf 'RIFF\066\000\000\000WAVELIST\003\000\000\000abc\000fmt \020\000\000\000\001\000\002\000\021\053\000\000\104\254\000\000\002\000\010\000data\006\000\000\000\000\200\377\100\300\020' \
    >"$work/corpus/stereo8"
printf 'RIFF\044\000\000\000WAVEfmt \016\000\000\000\001\000\001\000\100\037\000\000\200\076\000\000\002\000data\002\000\000\000\377\177' \
    >"$work/corpus/short_format"
printf 'RIFF\050\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\104\254\000\000\210\130\001\000\002\000\020\000data\377\000\000\000\001\000' \
    >"$work/corpus/data_past_end"

"$work/wave_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
