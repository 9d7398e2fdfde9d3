#include "Tags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/infotag.h>
#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/wavfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "AsfHeaderCheck.h"
#include "MediaError.h"
#include "file/SafeSave.h"

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

// An ASF header that would send TagLib through seconds of work for a few bytes is not
// read (see AsfHeaderFits).
bool AsfHeaderIsDamaged(const std::string& path) {
    static const unsigned char kHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    constexpr std::uint64_t kMaxHeader = 64u << 20;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char head[30];
    bool damaged = false;
    if (::pread(fd, head, 30, 0) == 30 && std::equal(kHeader, kHeader + 16, head)) {
        const std::uint64_t size = AsfLe(head + 16, 8);
        std::vector<unsigned char> header(size <= kMaxHeader ? size : 0);
        damaged = header.size() < 30 ||
                  ::pread(fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size()) ||
                  !AsfHeaderFits(header.data(), header.size());
    }
    ::close(fd);
    return damaged;
}

// TagLib picks the format by extension; these sniff the content so a misnamed file is
// read by what it is.
bool LooksLikeMp3(const std::string& path) {
    TagLib::MPEG::File f(path.c_str(), false);
    return f.isValid() && f.firstFrameOffset() >= 0;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

// Copies from to a new file to; 0 or the errno of the failed step.
int CopyFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return errno;
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (out.get() < 0) return errno;
    std::vector<char> buf(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.get(), buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out.get(), buf.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return w < 0 ? errno : ENOSPC;
            done += w;
        }
    }
    return out.Close();
}

// TagLib does not report a failed write: the file must end with the ID3v1 tag it was given.
bool EndsWith(const std::string& path, const TagLib::ByteVector& tail) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || st.st_size < static_cast<off_t>(tail.size())) return false;
    std::vector<char> got(tail.size());
    return ::pread(fd.get(), got.data(), got.size(), st.st_size - static_cast<off_t>(tail.size())) ==
               static_cast<ssize_t>(got.size()) &&
           std::equal(got.begin(), got.end(), tail.begin());
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void TagSaveFailed(const std::string& path, int err) {
    if (err == 0) {
        // Nothing told why; a folder with no room left is the usual reason.
        struct statvfs vfs {};
        err = ::statvfs(FolderOf(path).c_str(), &vfs) == 0 && vfs.f_bavail == 0 ? ENOSPC : EIO;
    }
    throw MediaError("The tags of " + Quoted(path) + " could not be saved: " + platform::file::SaveErrorText(err) + ".");
}

}  // namespace

bool ReadTags(const std::string& path, int tagType, TagSet* out) {
    *out = TagSet{};
    if (!IsRegularFile(path) || AsfHeaderIsDamaged(path)) return false;
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
    if (!LooksLikeMp3(path)) throw MediaError("The file " + Quoted(path) + " is not an MP3 file.");
    // TagLib rewrites a file in place; a copy is tagged and put in its place instead, so a
    // kill or a full disk never leaves half a file.
    platform::file::SafeSave save(path);
    if (const int err = CopyFile(path, save.TempPath())) TagSaveFailed(path, err);
    TagLib::ByteVector id3v1;
    {
        TagLib::MPEG::File f(save.TempPath().c_str(), false);
        if (!f.isValid()) throw MediaError("The file " + Quoted(path) + " is not an MP3 file.");
        ToTag(f.ID3v2Tag(true), tags);
        ToTag(f.ID3v1Tag(true), tags);
        if (!f.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                    TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate))
            TagSaveFailed(path, 0);
        // An empty ID3v1 tag is not written at all; then there is no tail to check.
        if (f.ID3v1Tag(false) && !f.ID3v1Tag(false)->isEmpty()) id3v1 = f.ID3v1Tag(false)->render();
    }
    if (!id3v1.isEmpty() && !EndsWith(save.TempPath(), id3v1)) TagSaveFailed(path, 0);
    if (const int err = save.Commit()) TagSaveFailed(path, err);
}

}  // namespace kez::media
