#!/usr/bin/env bash
# Builds and runs every test. With --sanitize, under AddressSanitizer and
# UndefinedBehaviorSanitizer (LeakSanitizer included) in build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
dir=build
flags=(-DCMAKE_BUILD_TYPE=Release -DREELKIT_TESTS=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DREELKIT_SANITIZE=ON -DREELKIT_TESTS=ON)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
