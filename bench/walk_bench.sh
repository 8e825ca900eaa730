#!/usr/bin/env bash
# Hostile headers: an ASF header whose object count runs on through 256 MB of
# 25-byte objects, and an AVI stream list whose remaining chunks are 256 MB of
# empty 8-byte chunks. Both walks are linear in the file; this prints their
# time per file and per gigabyte, so a walk that pays a system call per step
# shows at once.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target reelkit-cli >/dev/null
dir=$(mktemp -d /tmp/reelkit-walk-XXXXXX)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir" <<'PY'
import struct, sys
d = sys.argv[1]
size = 256 << 20
header = bytes.fromhex('3026B2758E66CF11A6D900AA0062CE6C') + struct.pack('<QI', 0, 0xFFFFFFFF) + b'\1\2'
obj = b'\x11' * 16 + struct.pack('<Q', 25) + b'\0'
with open(d + '/many.asf', 'wb') as f:
    f.write(header + obj * (size // len(obj)))
avih = b'avih' + struct.pack('<I', 56) + struct.pack('<I', 40000) + bytes(52)
junk = (b'JUNK' + struct.pack('<I', 0)) * (size // 8)
lists = (b'LIST' + struct.pack('<I', 40 + len(junk)) + b'strl' + b'strh' + struct.pack('<I', 8)
         + b'vidsDIVX' + b'strf' + struct.pack('<I', 12) + bytes(12) + junk)
hdrl = b'LIST' + struct.pack('<I', 4 + len(avih) + len(lists)) + b'hdrl' + avih + lists
with open(d + '/many.avi', 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', 4 + len(hdrl)) + b'AVI ' + hdrl)
PY
for f in "$dir/many.asf" "$dir/many.avi"; do
  cat "$f" > /dev/null  # into the page cache
  start=$(date +%s.%N); ./build/reelkit-cli "$f" > /dev/null; end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc -l)
  echo "$(basename "$f"): $(printf '%.2f' "$t") s, $(printf '%.1f' "$(echo "$t * 4" | bc -l)") s per GB"
done
