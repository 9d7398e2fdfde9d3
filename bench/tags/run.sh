#!/bin/sh
# Times the Vorbis comment rewrite of a 100 MB Ogg Vorbis file beside `vorbiscomment -w`
# (the same edit by the reference tool) and beside `cp` of the file (the floor for any
# rewrite that copies), all in one hyperfine run, and prints the two ratios.
# Usage: bench/tags/run.sh [build folder]   (default: build)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
bin=$(cd "$build/bin" && pwd)
[ -x "$bin/bench_oggtags" ] || ninja -C "$build" bench_oggtags
for tool in hyperfine ffmpeg vorbiscomment; do
  command -v $tool >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-tags-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
big=$work/big.ogg
# Stereo noise at the top quality: about 100 MB for 2200 s.
ffmpeg -nostdin -v error -f lavfi -i "anoisesrc=color=pink:sample_rate=48000:duration=2200" -ac 2 \
  -c:a libvorbis -q:a 10 "$big"
cp "$big" "$work/ours.ogg"
cp "$big" "$work/ref.ogg"
echo "file: $(du -m "$big" | cut -f1) MB"

hyperfine --warmup 2 --runs 10 --export-json "$work/result.json" \
  -n ours "'$bin/bench_oggtags' '$work/ours.ogg' 'A new title'" \
  -n vorbiscomment "vorbiscomment -w -t 'TITLE=A new title' '$work/ref.ogg'" \
  -n cp "cp '$big' '$work/copy.ogg'" \
  -n cp+sync "cp '$big' '$work/copy2.ogg' && sync '$work/copy2.ogg'"

/usr/bin/python3 - "$work/result.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print("ours / vorbiscomment -w = %.2f (goal <= 1.0)" % (r["ours"] / r["vorbiscomment"]))
print("ours / cp               = %.2f (goal <= 1.3)" % (r["ours"] / r["cp"]))
print("ours / cp + sync        = %.2f (both flush the data to disk)" % (r["ours"] / r["cp+sync"]))
PY
