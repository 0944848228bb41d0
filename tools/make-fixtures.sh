#!/usr/bin/env bash
# Test fixtures that tools can make, made at run time into BUILD_ROOT/fixtures:
# WMA files of several kinds, each with a reference decode by ffmpeg.
set -euo pipefail
out="$(realpath -m "$1")/fixtures"
stamp="$out/.made-v1"
[ -f "$stamp" ] && exit 0
rm -rf "$out"; mkdir -p "$out"
ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
# A signal with some structure, so a misaligned or damaged decode shows.
tone() { echo "aevalsrc=0.4*sin(2*PI*440*t)+0.2*sin(2*PI*1250*t+0.5*sin(2*PI*3*t)):s=$1:d=$2"; }

ff -f lavfi -i "$(tone 44100 4)" -ac 2 -c:a wmav1 -b:a 128k "$out/wmav1_stereo_44100.wma"
ff -f lavfi -i "$(tone 44100 4)" -ac 2 -c:a wmav2 -b:a 128k "$out/wmav2_stereo_44100.wma"
ff -f lavfi -i "$(tone 22050 3)" -ac 1 -c:a wmav2 -b:a 32k "$out/wmav2_mono_22050.wma"
ff -f lavfi -i "$(tone 48000 3)" -ac 2 -c:a wmav2 -b:a 128k "$out/wmav2_stereo_48000.wma"
ff -f lavfi -i "$(tone 22050 3)" -ac 1 -c:a wmav1 -b:a 32k "$out/wmav1_mono_22050.wma"
ff -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i "$(tone 44100 3)" -t 3 -ac 2 \
   -c:v wmv2 -c:a wmav2 -b:a 128k "$out/with_video.wma"
ff -f lavfi -i testsrc=size=160x120:rate=10 -t 2 -c:v wmv2 -f asf "$out/video_only.wma"
head -c 6000 "$out/wmav2_stereo_44100.wma" > "$out/truncated.wma"
echo "This is a text file, not Windows Media audio." > "$out/text.wma"
for f in wmav1_stereo_44100 wmav2_stereo_44100 wmav2_mono_22050 wmav2_stereo_48000 wmav1_mono_22050 with_video; do
  ff -i "$out/$f.wma" -map 0:a -f s16le -c:a pcm_s16le "$out/$f.ref.raw"
done
touch "$stamp"
