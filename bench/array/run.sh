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
peers = {"ArrayCrop": "Memcpy100MB", "ArraySplit": "Memcpy100MB", "ArrayMerge": "Memcpy100MB",
         "ArrayInsert": "Memcpy100MB", "ChannelSplit": "MemcpyTenMinutes", "ChannelJoin": "MemcpyTenMinutes"}
for name, peer in peers.items():
    print(f"{name:14s} {runs[name]:9.2f} ms   {peer} {runs[peer]:8.2f} ms   ratio {runs[name] / runs[peer]:.2f}")
PY
rm -f "$out"
