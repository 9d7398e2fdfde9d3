#!/bin/sh
# Silence detection on a one-hour MP3 (speech-like bursts with pauses, 44.1 kHz stereo,
# 128 kbps): "tarvelcut silence" beside "ffmpeg -af silencedetect -f null" with the same
# threshold and minimum length, in the same run. Both decode the whole file.
# usage: bench/silence/run.sh BIN_DIR   (the build's bin folder)
set -eu
bin=${1:?usage: run.sh BIN_DIR}
work=$(mktemp -d "${TMPDIR:-/tmp}/silencebench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PLATFORM_REGISTRY_DIR="$work/reg" HOME="$work/home"
mkdir -p "$HOME"
for m in KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3; do "$bin/regsvr" -s "$bin/lib$m.so"; done
# Five seconds of sound, then a pause that grows from 0.2 to 1.4 s, over and over.
ffmpeg -v error -f lavfi -i "aevalsrc='if(lt(mod(t\,6.4)\,5)\,0.3*sin(2*PI*(200+100*sin(t))*t)*(0.6+0.4*sin(7*t))\,0)|if(lt(mod(t\,6.4)\,5)\,0.3*sin(2*PI*330*t)\,0)':s=44100:d=3600" \
  -f lavfi -i "anoisesrc=d=3600:a=0.0005:r=44100" -filter_complex "[0][1]amix=inputs=2:normalize=0" \
  -ac 2 -c:a libmp3lame -b:a 128k "$work/hour.mp3"

now() { date +%s.%N; }
for run in 1 2 3; do
  t0=$(now)
  "$bin/tarvelcut" silence "$work/hour.mp3" -40,0.5 >"$work/ours.txt"
  t1=$(now)
  ffmpeg -hide_banner -nostats -i "$work/hour.mp3" -af silencedetect=n=-40dB:d=0.5 -f null - 2>"$work/peer.txt"
  t2=$(now)
  awk -v a="$(echo "$t1 - $t0" | bc)" -v b="$(echo "$t2 - $t1" | bc)" -v n="$(wc -l <"$work/ours.txt")" \
    -v m="$(grep -c silence_end "$work/peer.txt")" -v r="$run" \
    'BEGIN { printf "run %d: tarvelcut %.2f s (%.0fx real time, %d silences), ffmpeg %.2f s (%d silences), ratio %.2f\n", r, a, 3600 / a, n, b, m, a / b }'
done
