#!/usr/bin/env bash
# Text detector speed: reelkit-cli on a 1 GB text file in the page cache,
# side by side with `wc -l` on the same file. Target: at most 1.5 times wc.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target reelkit-cli >/dev/null
file=${BENCH_FILE:-$(mktemp /tmp/reelkit-text-XXXXXX)}
trap 'rm -f "$file"' EXIT
(yes "The quick brown fox jumps over the lazy dog, 0123456789 times." || true) | head -c 1000000000 > "$file"
cat "$file" > /dev/null  # into the page cache
. bench/common.sh
wc_time=$(best wc -l "$file")
rk_time=$(best ./build/reelkit-cli "$file")
echo "wc -l:       ${wc_time} s"
echo "reelkit-cli: ${rk_time} s"
echo "ratio:       $(echo "$rk_time / $wc_time" | bc -l | cut -c1-5)"
