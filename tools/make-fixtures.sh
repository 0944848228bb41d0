#!/usr/bin/env bash
# Test fixtures that tools can make, made at run time into BUILD_ROOT/fixtures:
# WMA and MP3 files of several kinds, each with a reference decode by ffmpeg
# (which, like our decoder, removes the encoder delay and padding of MP3s).
set -euo pipefail
out="$(realpath -m "$1")/fixtures"
stamp="$out/.made-v9"
[ -f "$stamp" ] && exit 0
rm -rf "$out"; mkdir -p "$out"
ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
# A signal with some structure, so a misaligned or damaged decode shows.
tone() { echo "aevalsrc=0.4*sin(2*PI*440*t)+0.2*sin(2*PI*1250*t+0.5*sin(2*PI*3*t)):s=$1:d=$2"; }

ff -f lavfi -i "$(tone 44100 4)" -ac 2 -c:a wmav1 -b:a 128k "$out/wmav1_stereo_44100.wma"
ff -f lavfi -i "$(tone 44100 4)" -ac 2 -c:a wmav2 -b:a 128k "$out/wmav2_stereo_44100.wma"
ff -f lavfi -i "$(tone 22050 3)" -ac 1 -c:a wmav2 -b:a 32k "$out/wmav2_mono_22050.wma"
ff -f lavfi -i "$(tone 48000 3)" -ac 2 -c:a wmav2 -b:a 128k "$out/wmav2_stereo_48000.wma"
# Long enough to reach past the failing disk's window (bytes 100000 to 200000).
ff -f lavfi -i "$(tone 44100 20)" -ac 2 -c:a wmav2 -b:a 128k "$out/long.wma"
ff -f lavfi -i "$(tone 22050 3)" -ac 1 -c:a wmav1 -b:a 32k "$out/wmav1_mono_22050.wma"
ff -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i "$(tone 44100 3)" -t 3 -ac 2 \
   -c:v wmv2 -c:a wmav2 -b:a 128k "$out/with_video.wma"
ff -f lavfi -i testsrc=size=160x120:rate=10 -t 2 -c:v wmv2 -f asf "$out/video_only.wma"
head -c 6000 "$out/wmav2_stereo_44100.wma" > "$out/truncated.wma"
echo "This is a text file, not Windows Media audio." > "$out/text.wma"
for f in wmav1_stereo_44100 wmav2_stereo_44100 wmav2_mono_22050 wmav2_stereo_48000 wmav1_mono_22050 with_video; do
  ff -i "$out/$f.wma" -map 0:a -f s16le -c:a pcm_s16le "$out/$f.ref.raw"
done

# MP3: the source WAVs (plain 44-byte headers, so their data is easy to compare), encodings of them.
for source in "stereo_44100 2 44100 5" "mono_44100 1 44100 4" "mono_22050 1 22050 4" "mono_8000 1 8000 3"; do
  set -- $source
  ff -f lavfi -i "$(tone "$3" "$4")" -ac "$2" -c:a pcm_s16le -bitexact -map_metadata -1 -fflags +bitexact \
     "$out/src_$1.wav"
done
lame --quiet -b 128 "$out/src_stereo_44100.wav" "$out/cbr128.mp3"
# Long enough to reach past the failing disk's window (bytes 100000 to 200000).
ff -f lavfi -i "$(tone 44100 20)" -ac 2 -c:a libmp3lame -b:a 128k "$out/long.mp3"
lame --quiet -b 320 "$out/src_stereo_44100.wav" "$out/cbr320.mp3"
lame --quiet -V 2 "$out/src_stereo_44100.wav" "$out/vbr.mp3"
lame --quiet -m m -b 64 "$out/src_mono_44100.wav" "$out/mono.mp3"
lame --quiet -b 64 "$out/src_mono_22050.wav" "$out/mpeg2_22050.mp3"
lame --quiet -b 32 "$out/src_mono_8000.wav" "$out/mpeg25_8000.mp3"
ff -i "$out/src_stereo_44100.wav" -c:a libmp3lame -b:a 192k "$out/ffmpeg192.mp3"
ff -f lavfi -i "$(tone 44100 2)" -c:a aac -f adts "$out/tone.aac"
# Tags that must never be heard: a 1 MB picture in front, APE and ID3v1 tags behind.
python3 "$(dirname "$0")/make_mp3_tags.py" "$out/cbr128.mp3" "$out/tagged.mp3"
for f in cbr128 cbr320 vbr mono mpeg2_22050 mpeg25_8000 ffmpeg192; do
  ff -i "$out/$f.mp3" -f s16le -c:a pcm_s16le "$out/$f.ref.raw"
done

# PCM conversion: wide and float sources (sox and ffmpeg write extensible headers
# for most of them), and a 1 kHz tone at -6 dBFS with sox's one-shot resample of it.
sox -n -r 44100 -c 2 -b 24 "$out/s24_ext.wav" synth 2 sine 1000 vol 0.5
sox -n -r 44100 -c 1 -e floating-point -b 32 "$out/float_mono.wav" synth 2 sine 1000 vol 0.5
ff -i "$out/s24_ext.wav" -c:a pcm_s32le "$out/s32_ext.wav"
ff -i "$out/s24_ext.wav" -c:a pcm_f32le "$out/float_ext.wav"
sox -D -n -r 48000 -c 2 -b 16 "$out/sine48.wav" synth 3 sine 1000 vol 0.5
sox -D "$out/sine48.wav" -r 44100 "$out/sine48_sox44100.wav"
# The wide targets: each 16- and 24-bit source as ffmpeg widens it, raw, for the
# exact comparisons (widening adds no dither and loses nothing).
for source in src_stereo_44100 s24_ext; do
  for codec in s24le s32le f32le; do
    ff -i "$out/$source.wav" -f "$codec" -c:a "pcm_$codec" "$out/$source.$codec.raw"
  done
done

# Tagged sources of every kind, their fields from tests/tags/*.tags (copied
# beside them for the tests): ID3v2.3 (UTF-16 text) and ID3v2.4 (UTF-8) MP3s,
# an MP3 with only an ID3v1 tag (Latin-1), a WMA and a WAV with an INFO list.
tags="$(dirname "$0")/../tests/tags"
cp "$tags"/*.tags "$out/"
mapfile -t unicode < <(python3 "$(dirname "$0")/make_tag_fixtures.py" --args "$tags/unicode.tags")
ff -i "$out/src_stereo_44100.wav" -c:a libmp3lame -b:a 128k -id3v2_version 3 "${unicode[@]}" "$out/tags_id3v23.mp3"
ff -i "$out/src_stereo_44100.wav" -c:a libmp3lame -b:a 128k -id3v2_version 4 "${unicode[@]}" "$out/tags_id3v24.mp3"
python3 "$(dirname "$0")/make_tag_fixtures.py" --id3v1 "$tags/latin1.tags" "$out/cbr128.mp3" "$out/tags_id3v1.mp3"
ff -i "$out/src_stereo_44100.wav" -c:a wmav2 -b:a 128k "${unicode[@]}" "$out/tags.wma"
ff -i "$out/src_stereo_44100.wav" -c:a pcm_s16le "${unicode[@]}" "$out/tags_info.wav"
touch "$stamp"
