#!/usr/bin/env bash
# QuickTime walk speed: the time follows the number of atoms, never the size
# of the media data.
#  1. A 1 GB movie (movie atom, then 1 GB of sparse media data): target under
#     0.05 s, since the media data is passed by one seek.
#  2. A 10 MB movie of tiny hostile atoms (650,000 sample descriptions and
#     time-to-sample tables claiming four billion entries) with a 400-entry
#     codec database beside the program: target at least 100,000 atoms/s.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target reelkit-cli >/dev/null
work=$(mktemp -d /tmp/reelkit-qtbench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp build/reelkit-cli "$work/"
python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
def atom(t, b): return struct.pack('>I', 8 + len(b)) + t + b
hdlr = atom(b'hdlr', b'\0\0\0\0mhlrvide' + b'\0' * 12)
stsd = atom(b'stsd', b'\0' * 8 + b''.join(atom(b'v%03d' % (i % 1000), b'\0' * 8) for i in range(325000)))
tables = atom(b'stts', b'\0' * 4 + struct.pack('>I', 0xFFFFFFFF) + struct.pack('>II', 1, 1)) * 325000
trak = atom(b'trak', atom(b'mdia', hdlr + atom(b'minf', atom(b'stbl', tables + stsd))))
open(work + '/hostile.mov', 'wb').write(atom(b'moov', trak))
with open(work + '/big.mov', 'wb') as f:
    f.write(atom(b'moov', atom(b'mvhd', b'\0' * 12 + struct.pack('>II', 600, 6000))))
    f.write(struct.pack('>I', 1 << 30) + b'mdat')
with open(work + '/reelkit.cdb', 'w') as f:
    for i in range(400):
        f.write('qtvid: x%03d\n  N: Codec %d; C%d\n  A: Maker %d\n  A note line.\n' % (i, i, i, i))
PY
truncate -s $((1 << 30)) "$work/big.mov"
. bench/common.sh
big=$(best "$work/reelkit-cli" "$work/big.mov")
hostile=$(best "$work/reelkit-cli" "$work/hostile.mov")
echo "1 GB movie:          ${big} s"
echo "650,000 tiny atoms:  ${hostile} s ($(echo "650000 / $hostile" | bc) atoms/s)"
