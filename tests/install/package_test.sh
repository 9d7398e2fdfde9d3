#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get as a user would, runs tarvelcut from
# the system path, and removes the package again. Needs root (skipped otherwise).
set -euo pipefail
build=$1
[ "$(id -u)" -eq 0 ] || { echo "install_package: needs root, skipped"; exit 77; }
work=$(mktemp -d)
installed=""
cleanup() {
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tarvelcutter >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libavcodec' || fail "Depends lacks the linked libraries: $(dpkg-deb -f "$deb" Depends)"
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install"; }

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
unset PLATFORM_REGISTRY_DIR PLATFORM_MACHINE_REGISTRY_DIR
mkdir -p "$HOME"
[ "$(command -v tarvelcut)" = /usr/bin/tarvelcut ] || fail "tarvelcut is not on the system path"
tarvelcut --version | grep -q '^tarvelcut [0-9]' || fail "tarvelcut --version"
sample=/usr/share/sounds/alsa/Front_Center.wav
[ -f "$sample" ] || sample=$(ls /usr/share/sounds/freedesktop/stereo/*.oga | head -1)
tarvelcut info "$sample" >"$work/info.txt" 2>&1 || { cat "$work/info.txt"; fail "tarvelcut info from the package"; }
echo "install_package: passed ($(basename "$deb"), $(stat -c %s "$deb") bytes)"
