// Ogg Vorbis stream facts and Vorbis comments: read from a file, and the comment header
// rewritten in place. Plain C++: the Ogg pages and Vorbis headers are parsed here, no
// codec library is involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The Ogg page checksum: CRC-32, polynomial 0x04C11DB7, most significant bit first,
// initial value 0, no final inversion. Continues `crc` over `size` bytes.
std::uint32_t OggCrc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The track number of a TRACKNUMBER text: the part before the first "/" as a decimal
// integer (leading blanks and a sign allowed); 0 when it is not wholly an integer.
int ParseTrackNumber(std::string_view text);

class TOggVorbis {
public:
    TOggVorbis() = default;

    // Numbers to 0, texts to empty.
    void Clear();

    // Reads the stream facts and the nine handled comment fields of the Ogg Vorbis file
    // at `path` (UTF-8). False when it is not an Ogg Vorbis file (or is 2 GB or more); a
    // missing comment header still loads, with empty texts.
    bool LoadFromFile(const std::string& path);

    // Seconds from the last granule, or estimated from the nominal bit rate without one.
    double DurationSeconds() const;
    // Kilobits per second over the whole stream, rounded half to even; 0 without a duration.
    std::int64_t AverageBitRate() const;
    // Channels 1, 2 or 6, a sample rate, more than 0.1 s and a bit rate.
    bool IsValidStream() const;

    // Replaces the file's comment header with TITLE, ARTIST, ALBUM, TRACKNUMBER, DATE,
    // GENRE and COMMENT from the Tag... fields (the file's vendor kept). Every other byte
    // of the file stays as it is; the file is replaced atomically through `path` + "~".
    // False, with the file untouched, when the file is not Ogg Vorbis or its layout does
    // not allow the rewrite (the identification header not alone on the first page, no
    // comment header, a comment packet that does not end on the second page, more than
    // 255 segments after the change, 2 GB or more) or when the rewrite fails.
    bool WriteTags(const std::string& path);

    std::int32_t FileBytes = 0;
    std::uint8_t ChannelCount = 0;
    std::int32_t SamplesPerSecond = 0;
    std::uint16_t NominalKbps = 0;
    std::int32_t LastGranule = 0;
    std::int32_t LeadingTagSize = 0;
    // Texts are 8-bit strings in the ANSI code page.
    std::string TagTitle;
    std::string TagArtist;
    std::string TagAlbum;
    std::uint16_t TagTrack = 0;  // 0 means none
    std::string TagDate;
    std::string TagGenre;
    std::string TagComment;
    std::string VendorText;
};
