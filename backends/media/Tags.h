// Tag access through TagLib: MP3 ID3v2 and ID3v1, Ogg Vorbis comments, WAV INFO/ID3, ASF
// attributes. Texts are UTF-8.
#pragma once

#include <string>

namespace kez::media {

struct TagSet {
    std::string title, artist, album, comment, genre;
    int year = 0;
    int track = 0;
};

// tagType 1: the file's main tag (ID3v2 for MP3, the ID3 chunk of a WAV or else its
// LIST/INFO, the native tag of other formats); tagType 2: the second kind (ID3v1 of an MP3,
// or its APE tag where it has no ID3v1; LIST/INFO of a WAV; other formats give their native
// tag). False when the file
// cannot be read as audio; an absent tag gives true with everything empty.
bool ReadTags(const std::string& path, int tagType, TagSet* out);

// Stores tags into an MP3 file as ID3v2.3 and ID3v1 (ID3v1 holds what Latin-1 can).
// Throws MediaError when the file is not an MP3 or cannot be saved.
void WriteMp3Tags(const std::string& path, const TagSet& tags);

}  // namespace kez::media
