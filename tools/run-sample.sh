#!/usr/bin/env bash
# Builds reelkit-cli and runs it on the bundled samples (or on the files given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target reelkit-cli
if [ $# -eq 0 ]; then set -- samples/*; fi
for f in "$@"; do
  ./build/reelkit-cli "$f"
  echo
done
