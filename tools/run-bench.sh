#!/usr/bin/env bash
# Benchmarks under Wine: figures for the engine, then one "target ..." line per goal.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh"
root="$1"; tree="$2"
wine_env "$root"
trap 'wine_stop' EXIT
wine_prefix
wine_start
work="$(realpath -m "$root")/bench"
mkdir -p "$work"
winwork="Z:$(tr / '\\' <<<"$work")"
bench="$tree/bench/EngineBench.exe"
[ -f "$work/tone48.wav" ] || wine "$bench" make "$winwork" </dev/null
[ -f "$work/tone.wma" ] || ffmpeg -nostdin -loglevel error -y -f lavfi \
  -i "aevalsrc=0.4*sin(2*PI*440*t)+0.2*sin(2*PI*1250*t):s=44100:d=600" -ac 2 -c:a wmav2 -b:a 128k "$work/tone.wma"
start=$(date +%s.%N); ffmpeg -nostdin -loglevel error -y -i "$work/tone.wma" "$work/ffmpeg.wav"; end=$(date +%s.%N)
rm -f "$work/ffmpeg.wav"
ffmpegSeconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
# The copy is timed natively, from a warm cache like the conversions; best of three.
cat "$work/tone44.wav" >/dev/null
cpSeconds=""
for i in 1 2 3; do
  start=$(date +%s.%N); cp "$work/tone44.wav" "$work/copy.wav"; end=$(date +%s.%N)
  rm -f "$work/copy.wav"
  cpSeconds=$(awk -v a="$start" -v b="$end" -v best="$cpSeconds" \
    'BEGIN { t = b - a; if (best != "" && best + 0 < t) t = best; printf "%.4f", t }')
done
# Each section starts with the previous one's writes on disk, so their
# write-back does not slow it down.
sync; wine "$bench" wav "$winwork" "$cpSeconds" </dev/null
sync; wine "$bench" wma "$winwork" "$ffmpegSeconds" </dev/null

# Resampling: the 48 kHz tone to CD format by sox and by ffmpeg, timed natively (best of three).
best_of_three() {
  local best="" start end
  for i in 1 2 3; do
    start=$(date +%s.%N); "$@"; end=$(date +%s.%N)
    best=$(awk -v a="$start" -v b="$end" -v best="$best" \
      'BEGIN { t = b - a; if (best != "" && best + 0 < t) t = best; printf "%.4f", t }')
  done
  echo "$best"
}
soxSeconds=$(best_of_three sox "$work/tone48.wav" -r 44100 "$work/sox44.wav")
ffmpegResample=$(best_of_three ffmpeg -nostdin -loglevel error -y -i "$work/tone48.wav" -ar 44100 \
  -fflags +bitexact -map_metadata -1 "$work/ffmpeg44.wav")
sync; wine "$bench" resample "$winwork" "$soxSeconds" "$ffmpegResample" </dev/null
rm -f "$work/sox44.wav" "$work/ffmpeg44.wav"

# MP3: 10-minute encodings of the CD tone, each beside ffmpeg's decode of it (best of three).
best_ffmpeg() {
  best_of_three ffmpeg -nostdin -loglevel error -y -i "$1" "$work/ffmpeg.wav"
  rm -f "$work/ffmpeg.wav"
}
for encoding in "cbr128:-b 128" "cbr320:-b 320" "vbr-V2:-V 2"; do
  name=${encoding%%:*}
  # shellcheck disable=SC2086
  [ -f "$work/$name.mp3" ] || lame --quiet ${encoding#*:} "$work/tone44.wav" "$work/$name.mp3"
  sync; wine "$bench" mp3 "$winwork" "$name" "$(best_ffmpeg "$work/$name.mp3")" </dev/null
done

# A batch of 24 three-minute MP3 files: the engine one file at a time and one a
# core, beside ffmpeg run once a file, two at a time (best of three each).
mkdir -p "$work/batch" "$work/batch-ffmpeg"
if [ ! -f "$work/batch/24.mp3" ]; then
  ffmpeg -nostdin -loglevel error -y -f lavfi \
    -i "aevalsrc=0.4*sin(2*PI*440*t)+0.2*sin(2*PI*1250*t):s=44100:d=180" -ac 2 -c:a libmp3lame -b:a 128k \
    "$work/batch/01.mp3"
  for i in $(seq -w 2 24); do cp "$work/batch/01.mp3" "$work/batch/$i.mp3"; done
fi
paired_ffmpeg() {
  # shellcheck disable=SC2016
  find "$work/batch" -name '*.mp3' -print0 |
    xargs -0 -P 2 -I{} sh -c 'ffmpeg -nostdin -loglevel error -y -i "$1" "$2/$(basename "$1" .mp3).wav"' _ {} \
      "$work/batch-ffmpeg"
}
ffmpegBatch=$(best_of_three paired_ffmpeg)
rm -rf "$work/batch-ffmpeg"
sync; wine "$bench" batch "$winwork" "$ffmpegBatch" </dev/null
rm -rf "$work/batch-out"

# The console converter on the same files, timed as a script sees it (the
# whole process, Wine's start included), beside ffmpeg; best of three each.
cmd="$tree/app/WavoryCmd.exe"
for name in cbr128 cbr320 vbr-V2; do
  ffmpegSeconds=$(best_ffmpeg "$work/$name.mp3")
  sync
  cmdSeconds=$(best_of_three wine "$cmd" -q -y -f cd -o "$winwork\\cmd" "$winwork\\$name.mp3" </dev/null)
  awk -v name="$name" -v c="$cmdSeconds" -v f="$ffmpegSeconds" 'BEGIN {
    printf "WavoryCmd %s: %.3f s, ffmpeg %.3f s\n", name, c, f
    r = c / f; printf "target wavorycmd-%s-vs-ffmpeg: %.2fx (goal <= 1.0) %s\n", name, r, (r <= 1.0 ? "met" : "missed") }'
done
rm -rf "$work/cmd"
rm -rf "$work/out"
