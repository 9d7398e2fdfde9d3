#!/bin/sh
# The cut page's overview of a one-hour MP3 beside "ffmpeg -f null" decoding the same file,
# in the same run: the time until the overview is complete (goal: within 1.3x of ffmpeg),
# the event loop's longest stall while it is built (goal: under 30 ms), and a second open
# served by the peak cache.
# usage: bench/waveform/run.sh BIN_DIR   (the build's bin folder)
set -eu
bin=${1:?usage: run.sh BIN_DIR}
work=$(mktemp -d "${TMPDIR:-/tmp}/wavebench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/reg" HOME="$work/home"
mkdir -p "$HOME"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3 KezAudioPlayer3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
seconds=${WAVEBENCH_SECONDS:-3600}
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$seconds" -f lavfi -i "anoisesrc=d=$seconds:a=0.1" \
  -filter_complex amix=inputs=2 -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k "$work/src.mp3"

now() { date +%s.%N; }
out=$("$bin/bench_waveform" "$work/src.mp3" "$work/cache")
echo "$out"
t0=$(now)
ffmpeg -v error -i "$work/src.mp3" -f null -
t1=$(now)
ours=$(echo "$out" | sed -n 's/^first: complete \([0-9.]*\) s.*/\1/p')
awk -v a="$ours" -v b="$(echo "$t1 - $t0" | bc)" \
  'BEGIN { printf "overview %.2f s, ffmpeg -f null %.2f s, ratio %.2f\n", a, b, a / b }'
