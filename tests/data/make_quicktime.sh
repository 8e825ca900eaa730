#!/bin/sh
# Makes the QuickTime and MP4 test files: short synthetic picture and tone,
# tiny sizes and low rates. Some keep the movie atom after the media data
# (the writer's default), the faststart ones put it first.
set -e
cd "$(dirname "$0")"
ff="ffmpeg -hide_banner -loglevel error -y -bitexact"
pic() { echo "-f lavfi -i testsrc=size=$1:rate=$2:duration=1"; }
tone() { echo "-f lavfi -i sine=frequency=440:sample_rate=$1:duration=1"; }
# MOV, MPEG-4 part 2 video at 25 fps, AAC 44.1 kHz stereo, movie atom last.
$ff $(pic 160x120 25) $(tone 44100) -c:v mpeg4 -b:v 50k -c:a aac -b:a 32k -ac 2 qt_mpeg4_aac.mov
# MOV, Sorenson Video 1 at 12 fps, 16-bit big-endian PCM 22.05 kHz mono, movie atom first.
$ff $(pic 128x96 12) $(tone 22050) -c:v svq1 -c:a pcm_s16be -ac 1 -movflags faststart qt_svq1_pcm.mov
# MOV, Motion JPEG 10 fps video only.
$ff $(pic 96x64 10) -c:v mjpeg -q:v 20 qt_mjpeg.mov
# MP4, H.264 at 30000/1001 fps, AAC 48 kHz stereo, movie atom first.
$ff $(pic 192x108 30000/1001) $(tone 48000) -c:v libx264 -preset ultrafast -crf 40 -pix_fmt yuv420p \
    -c:a aac -b:a 24k -ac 2 -movflags faststart mp4_h264_aac.mp4
# MP4, MPEG-4 part 2 at 15 fps, AC-3 48 kHz stereo, movie atom last.
$ff $(pic 176x144 15) $(tone 48000) -c:v mpeg4 -b:v 40k -c:a ac3 -b:a 64k -ac 2 mp4_mpeg4_ac3.mp4
# M4A, AAC 44.1 kHz stereo, sound only.
$ff $(tone 44100) -c:a aac -b:a 32k -ac 2 m4a_aac.m4a
