#!/bin/sh
# Copies the data chunk of a generated 1 GiB WAV file through the RIFF interface, with
# mmioCopy64 (the goal: at most 1.3 times cp) and, for comparison, by mmioRead/mmioWrite in
# the chunks editor's former 10000-byte pieces and in 1 MiB ones, beside cp and dd of the same
# file, and prints the ratios. The file is made in $TMPDIR (or /tmp) and removed afterwards.
# Usage: bench/riff/run.sh [build folder] [rounds]   (defaults: build, 7)
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
rounds=${2:-7}
ninja -C "$build" riff_copy_bench >/dev/null
exec "$build/bin/riff_copy_bench" --size-mb 1024 --rounds "$rounds" --piece 0 --piece 10000 --piece 1048576
