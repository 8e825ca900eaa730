#!/bin/sh
# Makes the small real MPEG files the MPEG tests read, with ffmpeg's own
# test sources. Run from anywhere; writes beside this script.
set -eu
cd "$(dirname "$0")"
FF="ffmpeg -hide_banner -loglevel error -y -bitexact"
VIDEO="-f lavfi -i testsrc=size=160x120:rate=25"
AUDIO="-f lavfi -i sine=frequency=440:sample_rate=44100"

# MPEG-1 system stream: MPEG-1 video and MPEG-1 Layer 2 audio, mono.
$FF $VIDEO $AUDIO -t 2 -c:v mpeg1video -b:v 64k -c:a mp2 -b:a 64k -ac 1 \
    -muxrate 400000 -f mpeg mpeg1_system.mpg

# MPEG-2 program stream, DVD style: MPEG-2 video at 29.97 fps, 48 kHz
# stereo Layer 2 audio; its audio packet headers carry stuffing.
$FF -f lavfi -i testsrc=size=176x144:rate=30000/1001 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 1 -c:v mpeg2video -b:v 100k -c:a mp2 -b:a 128k -ac 2 -ar 48000 \
    -muxrate 600000 -f vob mpeg2_program.vob

# MPEG-1 video elementary stream at 23.976 fps.
$FF -f lavfi -i testsrc=size=128x96:rate=24000/1001 -t 2 -c:v mpeg1video -b:v 64k \
    -f mpeg1video mpeg1_video.m1v

# MPEG-2 video elementary stream at 25 fps.
$FF $VIDEO -t 2 -c:v mpeg2video -b:v 64k -f mpeg2video mpeg2_video.m2v

# Audio-only MPEG-1 system stream: 22.05 kHz Layer 2 (lower sampling
# frequencies), stereo.
$FF -f lavfi -i sine=frequency=440:sample_rate=22050 -t 3 -c:a mp2 -b:a 64k -ac 2 \
    -f mpeg audio_only.mpg

# An MPEG-1 system stream behind 3000 bytes of binary junk.
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 37 + 11) % 256 for i in range(3000)))' \
    > junk_front.mpg
$FF $VIDEO -t 1 -c:v mpeg1video -b:v 64k -muxrate 200000 -f mpeg - >> junk_front.mpg
