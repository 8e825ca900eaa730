#!/bin/bash
# Reading and time of reelkit-cli on a ~1 GB MPEG-2 program stream against
# a ~1 MB one. The MPEG walk reads a window at the start and a budget at the
# end, so the big file should cost no more bytes and about the same time.
#
# Usage: bench/mpeg_bench.sh [path to a Release reelkit-cli]
# Needs ffmpeg, strace and hyperfine. The generated files live in a
# temporary directory that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
CLI=${1:-build/reelkit-cli}
[ -x "$CLI" ] || { echo "no executable $CLI (build the Release configuration first)" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/reelkit-mpeg-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# About 700 KB of DVD-style program stream (constant mux rate, padded packs).
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=352x288:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 7 \
    -c:v mpeg2video -b:v 500k -c:a mp2 -b:a 128k -muxrate 800000 -f vob "$WORK/part.vob"

# Both files end in 320 KB without a start code, so that the scan back from
# the end spends its whole budget (the worst case) instead of stopping at
# the last pack.
head -c 327680 /dev/zero | tr '\0' '\377' > "$WORK/tail.bin"

# The small file, about 1 MB: the stream and the tail.
cat "$WORK/part.vob" "$WORK/tail.bin" > "$WORK/small.vob"

# The big file, about 1 GB: the stream repeated (a valid stream of packs
# throughout; the clock simply restarts at each copy), then the tail.
copies=$(( (1024 * 1024 * 1024) / $(stat -c %s "$WORK/part.vob") ))
for ((i = 0; i < copies; i++)); do cat "$WORK/part.vob"; done > "$WORK/big.vob"
cat "$WORK/tail.bin" >> "$WORK/big.vob"

# Bytes read from the examined file: the read() results on the descriptor
# that opened it, from an strace log.
bytes_read() {
    local file=$1 log="$WORK/strace.log"
    strace -qq -e trace=openat,read,pread64 -o "$log" "$CLI" "$file" > /dev/null
    awk -v name="$file" '
        /openat\(/ && index($0, "\"" name "\"") { split($0, a, "= "); fd = a[length(a)] + 0; next }
        fd != "" && ($0 ~ "^read\\(" fd "," || $0 ~ "^pread64\\(" fd ",") {
            split($0, a, "= "); n = a[length(a)] + 0; if (n > 0) total += n
        }
        END { print total + 0 }' "$log"
}

small_size=$(stat -c %s "$WORK/small.vob")
big_size=$(stat -c %s "$WORK/big.vob")
small_read=$(bytes_read "$WORK/small.vob")
big_read=$(bytes_read "$WORK/big.vob")
echo "small file: $small_size bytes, read $small_read"
echo "big file:   $big_size bytes, read $big_read"
"$CLI" "$WORK/big.vob"

hyperfine -N --warmup 5 --runs 100 --export-json "$WORK/times.json" \
    "$CLI $WORK/small.vob" "$CLI $WORK/big.vob" > /dev/null
python3 - "$WORK/times.json" "$big_read" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
small, big = r[0]["mean"], r[1]["mean"]
print(f"mean time: small {small * 1000:.3f} ms, big {big * 1000:.3f} ms, ratio {big / small:.2f}")
read = int(sys.argv[2])
print("bytes read  :", "PASS" if read <= 600 * 1024 else "FAIL", f"({read} <= {600 * 1024})")
print("time ratio  :", "PASS" if big / small <= 2 else "FAIL", f"({big / small:.2f} <= 2)")
PY
