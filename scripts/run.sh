#!/usr/bin/env bash
# Sets everything up on a fresh machine and starts the program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/build.sh" run
bin=${KEZ_BUILD_DIR:-$here/build}/bin
bash "$here/scripts/register.sh" "$bin"
exec "$bin/TarvelCutter"
