#!/bin/sh
# Three one-minute segments of a 10-minute MP3 written as MP3 256 kbps, Ogg Vorbis and WAV:
# tarvelcut's cut job with one worker and with one per processor (--jobs), beside three
# sequential "ffmpeg -ss -to" runs doing the same, in the same run.
# Both sides get the same encoder settings: MP3 plain stereo (the program's default mode;
# ffmpeg's encoder defaults to joint stereo, which costs the encoder about a third less)
# at LAME's quality 3, and "mp3js" joint stereo on both sides; Ogg Vorbis an average
# bitrate without the rate manager on both. A ratio is printed only when the outputs'
# headers agree (bench/lib/same_stream.sh).
# usage: bench/cut/run.sh BIN_DIR   (the build's bin folder)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib/same_stream.sh"
bin=${1:?usage: run.sh BIN_DIR}
jobs=$(nproc)
work=$(mktemp -d "${TMPDIR:-/tmp}/cutbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/reg" HOME="$work/home"
mkdir -p "$HOME"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=600" -f lavfi -i "anoisesrc=d=600:a=0.1" \
  -filter_complex amix=inputs=2 -ac 2 -ar 44100 -c:a libmp3lame -b:a 192k "$work/src.mp3"

now() { date +%s.%N; }
ours() {  # FOLDER JOBS EXTRA...: our three segments; prints the seconds taken
  folder=$1 n=$2; shift 2
  t0=$(now)
  "$bin/tarvelcut" cut "$work/src.mp3" --out "$folder" --jobs "$n" "$@" \
    --segment 01:00-02:00 --segment 04:00-05:00 --segment 08:00-09:00 >/dev/null
  echo "$(now) - $t0" | bc
}
for fmt in mp3 mp3js ogg wav; do
  ext=$fmt; opts="--format $fmt --bitrate 256"
  case $fmt in
    mp3) codec="-c:a libmp3lame -b:a 256k -joint_stereo 0 -compression_level 3"; opts="$opts --channels 2" ;;
    mp3js) codec="-c:a libmp3lame -b:a 256k -joint_stereo 1 -compression_level 3"; ext=mp3
           opts="--format mp3 --bitrate 256 --channels 3" ;;
    ogg) codec="-c:a libvorbis -b:a 256k" ;;
    wav) codec="-c:a pcm_s16le"; opts="--format wav" ;;
  esac
  rm -rf "$work/one" "$work/many" "$work/peer"; mkdir -p "$work/peer"
  # shellcheck disable=SC2086
  one=$(ours "$work/one" 1 $opts)
  # shellcheck disable=SC2086
  many=$(ours "$work/many" "$jobs" $opts)
  t1=$(now)
  i=0
  for s in 60 240 480; do
    i=$((i + 1))
    # shellcheck disable=SC2086
    ffmpeg -v error -y -ss $s -to $((s + 60)) -i "$work/src.mp3" $codec "$work/peer/src_$i.$ext"
  done
  peer=$(echo "$(now) - $t1" | bc)
  agree=yes
  for i in 1 2 3; do
    same_bytes "$work/one/src_$i.$ext" "$work/many/src_$i.$ext" || { echo "$fmt: --jobs $jobs wrote other bytes than --jobs 1" >&2; agree=no; }
    same_stream "$fmt" "$work/one/src_$i.$ext" "$work/peer/src_$i.$ext" || agree=no
  done
  [ $agree = yes ] || continue
  awk -v f=$fmt -v n="$jobs" -v a="$one" -v b="$many" -v p="$peer" 'BEGIN {
    printf "%s: --jobs 1 %.2f s, --jobs %d %.2f s, ffmpeg x3 %.2f s; ratio --jobs 1/ffmpeg %.2f, --jobs %d/ffmpeg %.2f, --jobs %d/--jobs 1 %.2f\n",
      f, a, n, b, p, a / p, n, b / p, n, b / a }'
done
