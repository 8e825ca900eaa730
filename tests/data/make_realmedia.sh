#!/bin/sh
# Makes the RealMedia test files: short synthetic picture and tone, tiny
# sizes and low rates so each stays a few kilobytes.
set -e
cd "$(dirname "$0")"
ff="ffmpeg -hide_banner -loglevel error -y -bitexact"
# RealVideo 1.0 with AC-3 sound.
$ff -f lavfi -i testsrc=size=176x144:rate=15:duration=2 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 \
    -c:v rv10 -b:v 40k -c:a ac3 -b:a 64k -ac 2 rm_rv10_ac3.rm
# RealVideo 2.0 with RealAudio 1.0 (14.4K), 8 kHz mono.
$ff -f lavfi -i testsrc=size=160x112:rate=10:duration=2 \
    -f lavfi -i sine=frequency=440:sample_rate=8000:duration=2 \
    -c:v rv20 -b:v 30k -c:a real_144 -ar 8000 -ac 1 rm_rv20_ra144.rm
