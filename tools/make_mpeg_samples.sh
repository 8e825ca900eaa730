#!/bin/sh
# Makes the two MPEG sample files under samples/ with ffmpeg's own test sources.
set -eu
cd "$(dirname "$0")/../samples"
FF="ffmpeg -hide_banner -loglevel error -y -bitexact"

# MPEG-1 system stream: 320x240 at 25 fps, 44.1 kHz stereo Layer 2.
$FF -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -t 3 -c:v mpeg1video -b:v 150k -c:a mp2 -b:a 96k -ac 2 -muxrate 600000 \
    -f mpeg mpeg1_sample.mpg

# MPEG-2 program stream: 352x288 at 25 fps, 48 kHz stereo Layer 2.
$FF -f lavfi -i testsrc=size=352x288:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 2 -c:v mpeg2video -b:v 200k -c:a mp2 -b:a 128k -ac 2 -muxrate 700000 \
    -f vob mpeg2_sample.vob
