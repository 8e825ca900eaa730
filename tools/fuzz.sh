#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a fixed time, seeded with the
# test fixtures, samples and saved regressions. Any finding fails the run and
# leaves its reproducer in the printed directory; save it under
# tests/fuzz/regressions/ (prefix "cdb-" for codec database inputs).
# Usage: tools/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq clang libclang-rt-14-dev
fi
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DREELKIT_FUZZ=ON -DREELKIT_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_identify fuzz_codec_db

work=$(mktemp -d /tmp/reelkit-fuzz-XXXXXX)
mkdir -p "$work/identify" "$work/codec_db" "$work/artifacts"
for f in tests/data/* samples/* tests/fuzz/regressions/*; do
  [ -f "$f" ] || continue
  case "$f" in *.sh|*.md) continue ;; esac
  case "$(basename "$f")" in
    cdb-*) cp "$f" "$work/codec_db/" ;;
    *) cp "$f" "$work/identify/" ;;
  esac
done
# A slice of the shipped database: the whole file would slow every run.
head -c 4096 data/reelkit.cdb > "$work/codec_db/shipped-slice.cdb"
cp tests/data/*.cdb "$work/codec_db/" 2>/dev/null || true

status=0
for target in identify codec_db; do
  echo "== fuzz_$target for ${seconds}s"
  if ! ./build-fuzz/fuzz_$target "$work/$target" -dict=tests/fuzz/formats.dict \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=64 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/artifacts/$target-" \
        2> "$work/$target.log"; then
    status=1
    echo "fuzz_$target found a fault; reproducers in $work/artifacts:"
    ls -l "$work/artifacts"
    grep -E 'ERROR|runtime error|SUMMARY' "$work/$target.log" | head -20
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "$work/$target.log" | tail -3
done
[ $status -eq 0 ] && rm -rf "$work"
exit $status
