#!/bin/sh
# Joins three inputs of MINUTES minutes each (default 10) into MP3 256 kbps and into WAV,
# by tarvelcut merge and by ffmpeg's concat demuxer in the same run; prints the wall times,
# their ratio and each run's peak memory. Both sides get the same encoder settings (MP3
# plain stereo, the program's default mode, at LAME's quality 3), and a ratio is printed
# only when the outputs' headers agree (bench/lib/same_stream.sh).
# Usage: merge_vs_ffmpeg.sh BIN_DIR [MINUTES]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib/same_stream.sh"
bin=$1
minutes=${2:-10}
work=$(mktemp -d "${TMPDIR:-/tmp}/mergebench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/registry" HOME="$work"
mkdir -p "$PLATFORM_REGISTRY_DIR"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
seconds=$((minutes * 60))
for i in 1 2 3; do
  ffmpeg -v error -f lavfi -i "sine=f=$((300 + i * 100)):d=$seconds" -ac 2 -ar 44100 "$work/in$i.wav"
done
printf "file '%s'\n" "$work/in1.wav" "$work/in2.wav" "$work/in3.wav" >"$work/list.txt"

measure() {  # label command...: prints "label seconds peak-kB"
  label=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
  printf '%s %s\n' "$label" "$(cat "$work/time")"
}
for fmt in mp3 wav; do
  if [ "$fmt" = mp3 ]; then
    enc="-c:a libmp3lame -b:a 256k -joint_stereo 0 -compression_level 3"; opt="--bitrate 256 --channels 2"
  else
    enc="-c:a pcm_s16le"; opt=""
  fi
  ours=$(measure ours "$bin/tarvelcut" merge "$work/ours.$fmt" "$work/in1.wav" "$work/in2.wav" "$work/in3.wav" $opt --overwrite)
  # shellcheck disable=SC2086
  peer=$(measure ffmpeg ffmpeg -v error -y -f concat -safe 0 -i "$work/list.txt" $enc "$work/peer.$fmt")
  same_stream "$fmt" "$work/ours.$fmt" "$work/peer.$fmt" || continue
  o=$(echo "$ours" | cut -d' ' -f2); p=$(echo "$peer" | cut -d' ' -f2)
  echo "$fmt: ours ${o}s ($(echo "$ours" | cut -d' ' -f3) kB peak), ffmpeg ${p}s ($(echo "$peer" | cut -d' ' -f3) kB peak), ratio $(echo "scale=2; $o / $p" | bc)"
done
