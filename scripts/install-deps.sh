#!/usr/bin/env bash
# Installs the Debian packages a task needs: "run" (build and run the program), or "test"
# (also the tests, the benchmarks and the package; the default). Safe to run again: only
# what is missing is installed. Without root and without sudo it lists what to install.
set -euo pipefail
what=${1:-test}

run_packages=(
  # build
  cmake ninja-build pkg-config g++
  # libraries
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev libvorbis-dev libogg-dev libtag1-dev libsoundtouch-dev
  # Qt's platform, multimedia and SVG icon plug-ins on a bare machine
  qt6-qpa-plugins libqt6multimedia6 qt6-svg-dev libqt6svg6
)
test_packages=(
  clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev hyperfine
  ffmpeg vorbis-tools oggz-tools sndfile-programs libimage-exiftool-perl
  python3-mutagen mediainfo sox pulseaudio alsa-utils xvfb xauth mpg123 lame mp3val
  asterisk-core-sounds-en-wav python3-numpy
  espeak-ng sound-theme-freedesktop soundstretch libsndfile1-dev
  # a process killed exactly as it renames a file, for the safe-saving tests
  strace
  # install rules and the package
  desktop-file-utils appstream man-db dpkg-dev file fakeroot xdotool
  # lrelease, for the translation test
  qt6-l10n-tools
)
packages=("${run_packages[@]}")
[ "$what" = run ] || packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]})) || exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    SUDO=sudo
  elif command -v sudo >/dev/null && [ -t 0 ]; then
    SUDO=sudo  # asks for the password
  else
    echo "These Debian packages are missing; install them as root, then run this again:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
