#!/usr/bin/env bash
# Times the media core beside ffmpeg/ffprobe doing the same work, in one run, and prints
# the ratios (ours / peer; below 1 is faster). Usage: bench/media/run.sh [build-folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
bin=$build/bin/bench_media
[ -x "$bin" ] || ninja -C "$build" bench_media
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-media-XXXXXX")
trap 'rm -rf "$work"' EXIT
ff="ffmpeg -nostdin -v error -y"

echo "making media in $work"
$ff -f lavfi -i "sine=f=440:d=600" -f lavfi -i "anoisesrc=d=600:a=0.1" -filter_complex amix=inputs=2 -ac 2 -ar 44100 "$work/10min.wav"
$ff -i "$work/10min.wav" -c:a libmp3lame -b:a 192k "$work/10min.mp3"
$ff -stream_loop 5 -i "$work/10min.mp3" -c copy -write_xing 0 "$work/60min-noinfo.mp3"
$ff -stream_loop 5 -i "$work/10min.wav" -c:a libmp3lame -b:a 128k "$work/60min.mp3"
$ff -stream_loop 5 -i "$work/10min.wav" "$work/60min.wav"

. "$here/../lib/same_stream.sh"

ratio() {  # name, our command, peer command[, our output, peer output: printed only when their headers agree]
    local json=$work/h.json
    hyperfine -N --warmup 1 --runs "${RUNS:-5}" --export-json "$json" "$2" "$3" > /dev/null
    if [ $# -ge 5 ] && ! same_stream "$1" "$4" "$5"; then return 0; fi
    /usr/bin/python3 - "$json" "$1" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
ours, peer = r[0]["mean"], r[1]["mean"]
print(f"{sys.argv[2]:<44} ours {ours:8.3f} s  peer {peer:8.3f} s  ratio {ours / peer:5.2f}")
PY
}

ratio "open 60-min MP3 (info frame) / ffprobe" "$bin open $work/60min.mp3" \
    "ffprobe -v error -count_packets -show_entries stream=nb_read_packets $work/60min.mp3"
ratio "open 60-min MP3 (frame scan) / ffprobe" "$bin open $work/60min-noinfo.mp3" \
    "ffprobe -v error -count_packets -show_entries stream=nb_read_packets $work/60min-noinfo.mp3"
ratio "read 10-min MP3 / ffmpeg -f null" "$bin read $work/10min.mp3" "ffmpeg -nostdin -v error -i $work/10min.mp3 -f null -"
# bench_media writes MP3 in joint stereo: the peer is pinned to the same mode and quality.
ratio "write MP3 256 kbps / ffmpeg libmp3lame" "$bin write $work/10min.wav $work/o.mp3 mp3 256" \
    "ffmpeg -nostdin -v error -y -i $work/10min.wav -c:a libmp3lame -b:a 256k -joint_stereo 1 -compression_level 3 $work/p.mp3" \
    "$work/o.mp3" "$work/p.mp3"
ratio "write Ogg Vorbis 256 kbps / ffmpeg libvorbis" "$bin write $work/10min.wav $work/o.ogg ogg 256" \
    "ffmpeg -nostdin -v error -y -i $work/10min.wav -c:a libvorbis -b:a 256k $work/p.ogg" "$work/o.ogg" "$work/p.ogg"
ratio "write WMA 128 kbps / ffmpeg wmav2" "$bin write $work/10min.wav $work/o.wma wma 128" \
    "ffmpeg -nostdin -v error -y -i $work/10min.wav -c:a wmav2 -b:a 128k $work/p.wma" "$work/o.wma" "$work/p.wma"

rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
echo "peak memory copying WAV to MP3: 10 min $(rss "$bin" write "$work/10min.wav" "$work/m.mp3" mp3 256) KB," \
     "60 min $(rss "$bin" write "$work/60min.wav" "$work/m.mp3" mp3 256) KB"
