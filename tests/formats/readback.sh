#!/usr/bin/env bash
# Our outputs as other programs read them: WavoryCmd (under Wine) writes each
# target from the fixtures, then the native sox, ffprobe/ffmpeg and Python's
# wave module read them. Widening is exact, so the sound that comes back must
# be the source's, sample for sample. Python's wave reads only the plain PCM
# header, so it checks the CD target; the extensible ones go to sox and ffmpeg.
#   tests/formats/readback.sh BUILD_TREE XML
set -uo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
tree="$(realpath -m "$1")"; xml="$2"
work="$tree/readback"
rm -rf "$work"; mkdir -p "$work"
. "$repo/tests/cases.sh"

fixtures="$tree/../fixtures"
source16="$fixtures/src_stereo_44100.wav"
source24="$fixtures/s24_ext.wav"
win() { echo "Z:${1//\//\\}"; }

# WavoryCmd FORMAT SOURCE NAME: the output's path on stdout, or a failure.
convert() {
  local folder="$work/$3"; mkdir -p "$folder"
  wine "$tree/app/WavoryCmd.exe" -q -y --no-normalize --no-tags -f "$1" -o "$(win "$folder")" "$(win "$2")" \
    </dev/null >"$folder.log" 2>&1 || { echo "WavoryCmd -f $1 failed: $(cat "$folder.log")"; return 1; }
  local out; out="$folder/$(basename "${2%.*}").wav"
  [ -s "$out" ] || { echo "WavoryCmd -f $1 wrote no $out"; return 1; }
  echo "$out"
}
stream_of() { ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$1"; }
# The sound as 16- (or 24-) bit raw samples, decoded by each reader.
ffmpeg_raw() { ffmpeg -v error -i "$1" -f "$2" -c:a "pcm_$2" -; }
sox_raw() { sox -D "$1" -t raw -e signed -b "$2" - 2>/dev/null; }

expect_stream() {  # FILE "codec,rate,channels" BITS
  local got; got="$(stream_of "$1")"
  [ "$got" = "$2" ] || { echo "ffprobe saw \"$got\", expected \"$2\""; return 1; }
  # sox warns of a "missing extended part" on every extensible float file, ffmpeg's own too.
  local bits; bits="$(sox --i -b "$1" 2>/dev/null)"
  [ "$bits" = "$3" ] || { echo "sox saw $bits bits, expected $3"; return 1; }
}
same_sound() {  # FILE REFERENCE BITS
  local ours="$work/ours.raw" theirs="$work/theirs.raw" codec="s$3le"
  ffmpeg_raw "$2" "$codec" >"$theirs"
  ffmpeg_raw "$1" "$codec" >"$ours"
  cmp -s "$ours" "$theirs" || { echo "ffmpeg reads other samples from $1 ($(stat -c %s "$ours") against $(stat -c %s "$theirs") bytes)"; return 1; }
  sox_raw "$1" "$3" >"$ours"
  cmp -s "$ours" "$theirs" || { echo "sox reads other samples from $1 ($(stat -c %s "$ours") against $(stat -c %s "$theirs") bytes)"; return 1; }
}

cd_target() {
  local out; out="$(convert cd "$source16" cd)" || { echo "$out"; return 1; }
  expect_stream "$out" "pcm_s16le,44100,2" 16 && same_sound "$out" "$source16" 16 || return 1
  python3 - "$out" "$source16" <<'PY'
import sys, wave
with wave.open(sys.argv[1]) as ours, wave.open(sys.argv[2]) as source:
    got = (ours.getnchannels(), ours.getsampwidth(), ours.getframerate())
    assert got == (2, 2, 44100), f"wave saw {got}"
    assert ours.readframes(ours.getnframes()) == source.readframes(source.getnframes()), "wave reads other frames"
PY
}
widened() {  # FORMAT CODEC BITS
  local out; out="$(convert "$1" "$source16" "w$3$2")" || { echo "$out"; return 1; }
  expect_stream "$out" "$2,44100,2" "$3" && same_sound "$out" "$source16" 16
}
widened_24() { widened 44100:24:2 pcm_s24le 24; }
widened_32() { widened 44100:32:2 pcm_s32le 32; }
widened_float() { widened 44100:32f:2 pcm_f32le 32; }
resampled_24() {
  local out; out="$(convert 48000:24:2 "$source16" r24)" || { echo "$out"; return 1; }
  expect_stream "$out" "pcm_s24le,48000,2" 24 || return 1
  local frames wanted
  frames="$(sox --i -s "$out")"; wanted=$(( ($(sox --i -s "$source16") * 48000 + 22050) / 44100 ))
  [ "$frames" = "$wanted" ] || { echo "sox counts $frames frames, the source's length is $wanted at 48 kHz"; return 1; }
}
source_24_kept() {
  local out; out="$(convert source "$source24" s24)" || { echo "$out"; return 1; }
  expect_stream "$out" "$(stream_of "$source24")" 24 && same_sound "$out" "$source24" 24
}

run_case ReadBack.TheCdTargetToPythonsWaveSoxAndFfmpeg cd_target
run_case ReadBack.A24BitTargetIsTheSourceToSoxAndFfmpeg widened_24
run_case ReadBack.A32BitTargetIsTheSourceToSoxAndFfmpeg widened_32
run_case ReadBack.AFloatTargetIsTheSourceToSoxAndFfmpeg widened_float
run_case ReadBack.A48kHz24BitTargetHasTheSourcesLength resampled_24
run_case ReadBack.A24BitSourceKeepsItsOwnFormat source_24_kept
write_xml "$xml" readback_tests
