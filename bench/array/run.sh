#!/usr/bin/env bash
# Runs the array benchmarks of a build and prints each operation's time as a ratio to the
# plain copy of the same bytes measured in the same run.
#   bench/array/run.sh [BUILD_DIR]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
ninja -C "$build" bench_array KezAudioCompress3 >/dev/null
out=$(mktemp)
"$build/bin/bench_array" --benchmark_format=json --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true >"$out"
/usr/bin/python3 - "$out" <<'PY'
import json, sys
runs = {b["run_name"]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("aggregate_name") == "median"}
peers = {n: "Memcpy100MB" for n in ("ArrayCrop", "ArraySplit", "ArrayMerge", "ArrayInsert")}
# Channel split and join of ten minutes of stereo per sample size (33: 32-bit float),
# beside a copy of the input's bytes.
for size in (8, 16, 24, 32, 33):
    for op in ("ChannelSplit", "ChannelJoin"):
        peers[f"{op}/{size}"] = f"MemcpyTenMinutes/{min(size, 32)}"
for name, peer in peers.items():
    line = f"{name:16s} {runs[name]:9.2f} ms   {peer:20s} {runs[peer]:8.2f} ms   ratio {runs[name] / runs[peer]:.2f}"
    if name.startswith("Channel"):  # the split writes, and the join reads, 64-bit values
        line += f"   vs MemcpyChannelArrays {runs[name] / runs['MemcpyChannelArrays']:.2f}"
    print(line)
PY
rm -f "$out"
