#!/usr/bin/env bash
# Configures and builds everything into build/ (Ninja), after installing what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
build=${KEZ_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${KEZ_BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build" -j "${KEZ_JOBS:-2}"
