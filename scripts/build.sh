#!/usr/bin/env bash
# Configures and builds everything into build/ (Ninja), after installing what is missing.
# "build.sh run" builds the program and its components only; "build.sh" (or "test") builds
# the tests and the benchmarks too. Warnings are errors here, as in CI.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-test}
bash "$here/scripts/install-deps.sh" "$what"
build=${KEZ_BUILD_DIR:-$here/build}
extra=()
if [ "$what" = run ]; then
  extra=(-DBUILD_TESTING=OFF -DKEZ_BUILD_BENCH=OFF)
else
  extra=(-DBUILD_TESTING=ON -DKEZ_BUILD_BENCH=ON)
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${KEZ_BUILD_TYPE:-RelWithDebInfo} -DKEZ_WERROR=ON \
  "${extra[@]}" >/dev/null
cmake --build "$build" -j "${KEZ_JOBS:-2}"
