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

# same_bytes A B: true when the files hold the same bytes; Ogg streams apart from their
# serial numbers, which the encoder draws at random for every stream (and the page
# checksums that cover them).
same_bytes() {
  case $1 in
    *.ogg)
      /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
def pages_without_serials(path):
    b = bytearray(open(path, "rb").read())
    i = 0
    while i + 27 <= len(b) and b[i:i + 4] == b"OggS":
        b[i + 14:i + 18] = bytes(4)
        b[i + 22:i + 26] = bytes(4)
        n = b[i + 26]
        i += 27 + n + sum(b[i + 27:i + 27 + n])
    return bytes(b)
sys.exit(0 if pages_without_serials(sys.argv[1]) == pages_without_serials(sys.argv[2]) else 1)
PY
      ;;
    *) cmp -s "$1" "$2" ;;
  esac
}
