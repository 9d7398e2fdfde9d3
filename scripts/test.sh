#!/usr/bin/env bash
# Sets everything up on a fresh machine, builds, and runs the whole test suite with ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/build.sh"
build=${KEZ_BUILD_DIR:-$here/build}

# A PulseAudio daemon with a null sink gives the player tests a real audio output.
pulse_pid=""
if command -v pulseaudio >/dev/null && ! pactl info >/dev/null 2>&1; then
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
    --load="module-null-sink sink_name=nullsink" --load="module-native-protocol-unix" \
    >/dev/null 2>&1 &
  pulse_pid=$!
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  export KEZ_PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
fi
trap '[ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true' EXIT

cd "$build"
ctest --output-on-failure -j "${KEZ_TEST_JOBS:-2}" "$@"
