#!/bin/sh
# Copies the data chunk of a generated 1 GiB WAV file through the RIFF interface, in the
# chunks editor's 10000-byte pieces and in larger ones, beside cp of the same file, and
# prints the ratios. The file is made in $TMPDIR (or /tmp) and removed afterwards.
# Usage: bench/riff/run.sh [build folder]   (default: build)
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
ninja -C "$build" riff_copy_bench >/dev/null
exec "$build/bin/riff_copy_bench" --size-mb 1024 --rounds 7 --piece 10000 --piece 65536 --piece 1048576
