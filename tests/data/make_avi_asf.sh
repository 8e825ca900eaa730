#!/bin/sh
# Makes the small AVI and ASF fixtures from generated test patterns and
# records what ffprobe says about each one (<name>.probe, ffprobe's "flat"
# output) for the tests to compare with. Run from anywhere; needs ffmpeg.
set -e
cd "$(dirname "$0")"
ff="ffmpeg -hide_banner -loglevel error -y -bitexact"
video="-f lavfi -i testsrc=size=64x48:rate=10:duration=1"
tone="-f lavfi -i sine=frequency=440:sample_rate=8000:duration=1"
tone22="-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1"

# Motion JPEG with mono 8-bit PCM; the video stream's name "abcd" makes an
# odd-sized stream-name chunk followed by a pad byte before the audio stream.
$ff $video $tone -c:v mjpeg -q:v 20 -c:a pcm_u8 -ac 1 \
    -metadata:s:v:0 title=abcd avi_mjpeg_pcm.avi
# Microsoft MPEG-4 v3 at 12.5 fps with stereo IMA ADPCM.
$ff -f lavfi -i testsrc=size=80x64:rate=12.5:duration=1.2 $tone22 \
    -c:v msmpeg4 -b:v 40k -c:a adpcm_ima_wav -ac 2 avi_msmpeg4_adpcm.avi
# MPEG-4 part 2 tagged XVID, no audio.
$ff $video -c:v mpeg4 -vtag XVID -b:v 30k avi_xvid_video_only.avi

# Windows Media Video 8 with Windows Media Audio 2 and metadata texts; the
# title is not plain ASCII. This muxer writes title, author, copyright and
# rating into the content description and keeps the comment elsewhere, so
# the description text stays empty.
$ff $video $tone22 -c:v wmv2 -b:v 40k -c:a wmav2 -b:a 32k \
    -metadata title="Café ☕ 𝄞" -metadata author="Reel Author" \
    -metadata copyright="(c) 2026 Reelkit" -metadata comment="Made for tests" \
    -metadata rating="Family" \
    asf_wmv2_wma2_meta.wmv
# Windows Media Video 7, no audio, no texts.
$ff $video -c:v wmv1 -b:v 30k asf_wmv1_video_only.wmv
# Windows Media Audio 1 alone.
$ff $tone22 -c:a wmav1 -b:a 32k asf_wma1_audio_only.wma

for f in avi_mjpeg_pcm.avi avi_msmpeg4_adpcm.avi avi_xvid_video_only.avi \
         asf_wmv2_wma2_meta.wmv asf_wmv1_video_only.wmv asf_wma1_audio_only.wma; do
    ffprobe -v error -of flat -show_format -show_streams "$f" > "${f%.*}.probe"
done

# The samples for the README's run command.
$ff -f lavfi -i testsrc=size=160x120:rate=15:duration=3 \
    -f lavfi -i sine=frequency=330:sample_rate=22050:duration=3 \
    -c:v mpeg4 -vtag XVID -b:v 200k -c:a pcm_u8 -ac 1 ../../samples/sample.avi
$ff -f lavfi -i testsrc=size=160x120:rate=15:duration=3 \
    -f lavfi -i sine=frequency=330:sample_rate=22050:duration=3 \
    -c:v wmv2 -b:v 200k -c:a wmav2 -b:a 32k -metadata title="Reelkit sample" \
    -metadata author="Reelkit" ../../samples/sample.wmv
