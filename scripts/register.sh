#!/usr/bin/env bash
# Registers the in-process servers of a build with regsvr, in the registry that
# PLATFORM_REGISTRY_DIR names (the user's own when unset). Registering again is harmless.
set -euo pipefail
bin=${1:?usage: register.sh BUILD_BIN_DIR}
modules=(KezAudioFile3 KezAudioFileWMA3 KezAudioFormatSettings3 KezAudioPlayer3 KezAudioCompress3
         AudioFormat KezAudioArrayProcessing3 KezAudioChunksEditor3)
for m in "${modules[@]}"; do
  f="$bin/lib$m.so"
  [ -f "$f" ] || f="$bin/$m.so"
  if [ -f "$f" ]; then
    "$bin/regsvr" -s "$f"
  fi
done
