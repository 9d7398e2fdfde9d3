# Sourced by the encode benchmarks: a ratio is printed only when both sides wrote the same
# kind of stream, read back by an independent reader (mediainfo): container format and
# version, layer, sample rate, channels, bit-rate mode and (nominal) bit rate, and the MP3
# channel mode (plain or joint stereo), the settings that decide an encoder's work.

stream_header() {  # FILE
  mediainfo --Inform='Audio;%Format%|%Format_Version%|%Format_Profile%|%SamplingRate%|%Channels%|%BitRate_Mode%|%BitRate_Nominal%|%BitRate%|%Format_Settings_Mode%' "$1"
}

# same_stream LABEL OURS PEER: true when the headers agree; otherwise says how they differ
# on standard error and is false.
same_stream() {
  _ours=$(stream_header "$2")
  _peer=$(stream_header "$3")
  if [ -z "$_ours" ] || [ "$_ours" != "$_peer" ]; then
    echo "$1: the outputs differ, no ratio printed: ours [$_ours], peer [$_peer]" >&2
    return 1
  fi
}
