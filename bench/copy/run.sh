#!/bin/sh
# Three one-minute segments of a 10-minute 128 kbps MP3 copied without re-encoding:
# "tarvelcut cut --copy" beside three "ffmpeg -ss -to -c copy" runs (goal: at most 1.0x)
# and beside tarvelcut's own encoding cut of the same segments, in one run. Each side runs
# ROUNDS times, alternating, and the best time of each is reported.
# usage: bench/copy/run.sh BIN_DIR [ROUNDS]   (the build's bin folder)
set -eu
bin=${1:?usage: run.sh BIN_DIR [ROUNDS]}
rounds=${2:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/copybench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/reg" HOME="$work/home"
mkdir -p "$HOME"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=600" -f lavfi -i "anoisesrc=d=600:a=0.1" \
  -filter_complex amix=inputs=2 -ac 2 -ar 44100 -f wav - | lame --quiet -b 128 - "$work/src.mp3"

now() { date +%s.%N; }
segments="--segment 01:00-02:00 --segment 04:00-05:00 --segment 08:00-09:00"
best_copy=999; best_ff=999; best_enc=999
min() { echo "$1 $2" | awk '{ print ($1 < $2) ? $1 : $2 }'; }
r=0
while [ $r -lt "$rounds" ]; do
  r=$((r + 1))
  rm -rf "$work/a" "$work/b"; mkdir -p "$work/b"
  t0=$(now)
  "$bin/tarvelcut" cut "$work/src.mp3" --out "$work/a" --format mp3 --copy $segments >/dev/null
  t1=$(now)
  i=0
  for s in 60 240 480; do
    i=$((i + 1))
    ffmpeg -v error -y -ss $s -to $((s + 60)) -i "$work/src.mp3" -c copy "$work/b/p$i.mp3"
  done
  t2=$(now)
  best_copy=$(min "$best_copy" "$(echo "$t1 - $t0" | bc)")
  best_ff=$(min "$best_ff" "$(echo "$t2 - $t1" | bc)")
done
rm -rf "$work/e"
t0=$(now)
"$bin/tarvelcut" cut "$work/src.mp3" --out "$work/e" --format mp3 --bitrate 128 $segments >/dev/null
t1=$(now)
best_enc=$(echo "$t1 - $t0" | bc)
awk -v a="$best_copy" -v b="$best_ff" -v e="$best_enc" 'BEGIN {
  printf "copy: tarvelcut --copy %.3f s, ffmpeg -c copy %.3f s, ratio %.2f\n", a, b, a / b
  printf "encoding cut: tarvelcut %.3f s, %.0fx the copy\n", e, e / a }'
ls -l "$work/a" "$work/e" | awk '/mp3/ { print "  " $5, $NF }'
