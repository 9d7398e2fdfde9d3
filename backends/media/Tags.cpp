#include "Tags.h"

#include <sys/stat.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/infotag.h>
#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/wavfile.h>

#include <cstdlib>

#include "MediaError.h"

namespace kez::media {
namespace {

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String Tl(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

void FromTag(const TagLib::Tag* t, TagSet* out) {
    *out = TagSet{};
    if (!t) return;
    out->title = Utf8(t->title());
    out->artist = Utf8(t->artist());
    out->album = Utf8(t->album());
    out->comment = Utf8(t->comment());
    out->genre = Utf8(t->genre());
    out->year = static_cast<int>(t->year());
    out->track = static_cast<int>(t->track());
}

bool Empty(const TagSet& t) {
    return t.title.empty() && t.artist.empty() && t.album.empty() && t.year == 0 && t.track == 0;
}

// The first kind, or the second where the first is absent or holds nothing.
void FirstOf(const TagLib::Tag* a, const TagLib::Tag* b, TagSet* out) {
    FromTag(a, out);
    if (Empty(*out)) FromTag(b, out);
}

void ToTag(TagLib::Tag* t, const TagSet& in) {
    t->setTitle(Tl(in.title));
    t->setArtist(Tl(in.artist));
    t->setAlbum(Tl(in.album));
    t->setComment(Tl(in.comment));
    t->setGenre(Tl(in.genre));
    t->setYear(in.year > 0 ? static_cast<unsigned>(in.year) : 0);
    t->setTrack(in.track > 0 ? static_cast<unsigned>(in.track) : 0);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// TagLib picks the format by extension; these sniff the content so a misnamed file is
// read by what it is.
bool LooksLikeMp3(const std::string& path) {
    TagLib::MPEG::File f(path.c_str(), false);
    return f.isValid() && f.firstFrameOffset() >= 0;
}

}  // namespace

bool ReadTags(const std::string& path, int tagType, TagSet* out) {
    *out = TagSet{};
    if (!IsRegularFile(path)) return false;
    TagLib::FileRef ref(path.c_str(), false);
    if (ref.isNull()) return false;
    if (auto* mp3 = dynamic_cast<TagLib::MPEG::File*>(ref.file())) {
        // The second kind is ID3v1, or an APE tag where there is no ID3v1.
        if (tagType == 2)
            FirstOf(mp3->ID3v1Tag(false), mp3->APETag(false), out);
        else
            FromTag(mp3->ID3v2Tag(false), out);
        return true;
    }
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(ref.file())) {
        // An ID3 chunk first, the LIST/INFO chunk where there is none; the second kind is INFO.
        const TagLib::Tag* id3 = wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr;
        const TagLib::Tag* info = wav->hasInfoTag() ? wav->InfoTag() : nullptr;
        if (tagType == 2)
            FirstOf(info, id3, out);
        else
            FirstOf(id3, info, out);
        return true;
    }
    if (auto* asf = dynamic_cast<TagLib::ASF::File*>(ref.file())) {
        TagLib::ASF::Tag* t = asf->tag();
        FromTag(t, out);
        // Writers differ in where they keep these: the Content Description object or an
        // extended attribute of the same name.
        auto text = [&](const char* name, std::string& field) {
            if (t && field.empty() && t->contains(name)) field = Utf8(t->attribute(name).front().toString());
        };
        text("Title", out->title);
        text("Author", out->artist);
        text("Description", out->comment);
        if (t && out->year == 0 && t->contains("WM/Year"))
            out->year = std::atoi(t->attribute("WM/Year").front().toString().toCString());
        if (t && out->track == 0 && t->contains("WM/TrackNumber")) {
            const TagLib::ASF::Attribute& a = t->attribute("WM/TrackNumber").front();
            out->track = a.type() == TagLib::ASF::Attribute::UnicodeType
                             ? std::atoi(a.toString().toCString())
                             : static_cast<int>(a.toUInt());
        }
        return true;
    }
    FromTag(ref.tag(), out);
    return true;
}

void WriteMp3Tags(const std::string& path, const TagSet& tags) {
    if (!IsRegularFile(path)) throw MediaError("The file " + Quoted(path) + " does not exist.");
    TagLib::MPEG::File f(path.c_str(), false);
    if (!f.isValid() || !LooksLikeMp3(path)) throw MediaError("The file " + Quoted(path) + " is not an MP3 file.");
    ToTag(f.ID3v2Tag(true), tags);
    ToTag(f.ID3v1Tag(true), tags);
    if (!f.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate))
        throw MediaError("The tags of " + Quoted(path) + " could not be saved.");
}

}  // namespace kez::media
