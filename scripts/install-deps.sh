#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build pkg-config g++ clang-14 libclang-rt-14-dev
  # libraries
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev libvorbis-dev libogg-dev libtag1-dev libsoundtouch-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev hyperfine
  ffmpeg vorbis-tools oggz-tools sndfile-programs libimage-exiftool-perl
  python3-mutagen mediainfo sox pulseaudio alsa-utils xvfb xauth
  espeak-ng sound-theme-freedesktop soundstretch libsndfile1-dev asterisk-core-sounds-en-wav
  # gstreamer/ffmpeg plugins for Qt Multimedia on a bare machine
  qt6-qpa-plugins libqt6multimedia6
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
