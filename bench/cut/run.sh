#!/bin/sh
# Three one-minute segments of a 10-minute MP3 written as MP3 256 kbps, Ogg Vorbis and WAV:
# tarvelcut's cut job beside three "ffmpeg -ss -to" runs doing the same, in the same run.
# Both sides encode the same channel mode: the program's default MP3 mode is plain stereo
# (ffmpeg's encoder defaults to joint stereo, which costs the encoder about a third less),
# and "mp3js" compares joint stereo on both sides.
# usage: bench/cut/run.sh BIN_DIR   (the build's bin folder)
set -eu
bin=${1:?usage: run.sh BIN_DIR}
work=$(mktemp -d "${TMPDIR:-/tmp}/cutbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/reg" HOME="$work/home"
mkdir -p "$HOME"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=600" -f lavfi -i "anoisesrc=d=600:a=0.1" \
  -filter_complex amix=inputs=2 -ac 2 -ar 44100 -c:a libmp3lame -b:a 192k "$work/src.mp3"

now() { date +%s.%N; }
for fmt in mp3 mp3js ogg wav; do
  ext=$fmt; ours=""
  case $fmt in
    mp3) codec="-c:a libmp3lame -b:a 256k -joint_stereo 0" ;;
    mp3js) codec="-c:a libmp3lame -b:a 256k -joint_stereo 1"; ext=mp3; ours="--channels 3" ;;
    ogg) codec="-c:a libvorbis -b:a 256k" ;;
    wav) codec="-c:a pcm_s16le" ;;
  esac
  rm -rf "$work/a" "$work/b"; mkdir -p "$work/b"
  t0=$(now)
  "$bin/tarvelcut" cut "$work/src.mp3" --out "$work/a" --format $ext --bitrate 256 $ours \
    --segment 01:00-02:00 --segment 04:00-05:00 --segment 08:00-09:00 >/dev/null
  t1=$(now)
  i=0
  for s in 60 240 480; do
    i=$((i + 1))
    ffmpeg -v error -y -ss $s -to $((s + 60)) -i "$work/src.mp3" $codec "$work/b/p$i.$ext"
  done
  t2=$(now)
  awk -v f=$fmt -v a="$(echo "$t1 - $t0" | bc)" -v b="$(echo "$t2 - $t1" | bc)" \
    'BEGIN { printf "%s: tarvelcut %.2f s, ffmpeg %.2f s, ratio %.2f\n", f, a, b, a / b }'
done
