#!/bin/sh
# Peak memory of a ten-second cut at the end of a one-hour WAV beside the same cut at its
# start, in the same run: a seek must not hold what lies before it, so the two match.
# usage: bench/cut/seek_memory.sh BIN_DIR   (the build's bin folder)
set -eu
bin=${1:?usage: seek_memory.sh BIN_DIR}
work=$(mktemp -d "${TMPDIR:-/tmp}/seekbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/reg" HOME="$work/home"
mkdir -p "$HOME"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
sox -n -r 44100 -c 2 -b 16 "$work/hour.wav" synth 3600 sine 440 vol 0.5

peak() {  # peak resident memory (KB) of one cut of the span $1
  rm -rf "$work/out"
  /usr/bin/time -f %M -o "$work/rss" "$bin/tarvelcut" cut "$work/hour.wav" --out "$work/out" --format wav \
    --segment "$1" >/dev/null
  cat "$work/rss"
}
start=$(peak 00:00-00:10)
end=$(peak 59:50-60:00)
awk -v s="$start" -v e="$end" -v size="$(stat -c %s "$work/hour.wav")" \
  'BEGIN { printf "one-hour WAV (%d MB): cut at the start %d KB, at the end %d KB, ratio %.3f\n", size / 1048576, s, e, e / s }'
