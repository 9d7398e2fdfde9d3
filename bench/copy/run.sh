#!/bin/sh
# Three one-minute segments of a 10-minute 128 kbps MP3 copied without re-encoding:
# "tarvelcut cut --copy" beside three "ffmpeg -ss -to -c copy" runs (goal: at most 1.0x)
# and beside tarvelcut's own encoding cut of the same segments, in one run. Each side runs
# ROUNDS times, alternating, and the best time of each is reported. Then three adjacent
# one-minute pieces (cut with --copy) are joined: "tarvelcut merge --copy" beside
# "ffmpeg -f concat -c copy", best of ROUNDS each.
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

# Lossless merge of three adjacent pieces.
"$bin/tarvelcut" cut "$work/src.mp3" --out "$work/m" --format mp3 --copy \
  --segment 01:00-02:00=p1 --segment 02:00-03:00=p2 --segment 03:00-04:00=p3 >/dev/null
printf "file '%s'\n" "$work/m/p1.mp3" "$work/m/p2.mp3" "$work/m/p3.mp3" >"$work/list.txt"
best_merge=999; best_concat=999
r=0
while [ $r -lt "$rounds" ]; do
  r=$((r + 1))
  rm -f "$work/joined.mp3" "$work/concat.mp3"
  t0=$(now)
  "$bin/tarvelcut" merge "$work/joined.mp3" "$work/m/p1.mp3" "$work/m/p2.mp3" "$work/m/p3.mp3" --copy \
    >/dev/null 2>"$work/merge.err"
  t1=$(now)
  ffmpeg -v error -y -f concat -safe 0 -i "$work/list.txt" -c copy "$work/concat.mp3"
  t2=$(now)
  best_merge=$(min "$best_merge" "$(echo "$t1 - $t0" | bc)")
  best_concat=$(min "$best_concat" "$(echo "$t2 - $t1" | bc)")
done
if grep -q encoded "$work/merge.err"; then how="encoded: $(cat "$work/merge.err")"; else how="frames copied"; fi
awk -v a="$best_merge" -v b="$best_concat" -v h="$how" 'BEGIN {
  printf "merge: tarvelcut merge --copy %.3f s (%s), ffmpeg concat -c copy %.3f s, ratio %.2f\n", a, h, b, a / b }'
ls -l "$work/joined.mp3" "$work/concat.mp3" | awk '{ print "  " $5, $NF }'
