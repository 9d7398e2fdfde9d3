#include "OggVorbis.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "tagtext.h"

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
        table[i] = r;
    }
    return table;
}
constexpr auto kCrcTable = MakeCrcTable();

// One read at a page start holds any page header with its whole lacing table.
constexpr std::size_t kPageHeaderRead = 27 + 255;
constexpr std::size_t kEntryBuffer = 250;
constexpr std::int64_t kMaxFileSize = std::numeric_limits<std::int32_t>::max();

enum Field { kTitle, kArtist, kAlbum, kTrackNumber, kDate, kGenre, kComment, kPerformer, kDescription };
constexpr int kFieldCount = 9;
constexpr std::string_view kFieldNames[kFieldCount] = {"TITLE", "ARTIST",  "ALBUM",     "TRACKNUMBER", "DATE",
                                                       "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};

struct VorbisTag {
    std::uint8_t identification[7]{};
    std::int32_t fieldCount = 0;
    std::string vendor;
    std::string fields[kFieldCount];
};

// One read of a file.
struct FileInfo {
    std::uint8_t firstPage[kPageHeaderRead]{};
    std::uint8_t secondPage[kPageHeaderRead]{};
    std::uint8_t identification[30]{};
    VorbisTag tag;
    std::int64_t fileSize = 0;
    std::int32_t sampleCount = 0;
    std::int64_t id3Size = 0;
    std::int64_t secondPagePos = 0;
    std::int64_t tagEndPos = 0;
    // What the rewrite needs beyond the texts: whether a comment header was found and read
    // to its last entry inside the file, and the vendor's bytes exactly as stored.
    bool hasCommentHeader = false;
    bool commentComplete = false;
    std::string rawVendor;
};

class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    int get() const { return fd_; }
    bool Close() {
        if (fd_ < 0) return true;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

// Reads up to `size` bytes at `offset`; the count read (short at the end of the file), or -1.
std::int64_t ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, size - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

bool WriteAt(int fd, const void* data, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, static_cast<const char*>(data) + done, size - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Copies `length` bytes between two files, in the kernel where it can.
bool CopyRange(int src, std::int64_t srcOffset, int dst, std::int64_t dstOffset, std::int64_t length) {
    bool kernelCopy = true;
    std::vector<char> buffer;
    while (length > 0) {
        if (kernelCopy) {
            off64_t in = srcOffset, out = dstOffset;
            const ssize_t n = ::copy_file_range(src, &in, dst, &out, static_cast<std::size_t>(length), 0);
            if (n > 0) {
                srcOffset += n, dstOffset += n, length -= n;
                continue;
            }
            if (n == 0) return false;  // the source ended early
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
            kernelCopy = false;
        }
        if (buffer.empty()) buffer.resize(1 << 20);
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length, buffer.size()));
        const std::int64_t n = ReadAt(src, buffer.data(), chunk, srcOffset);
        if (n <= 0) return false;
        if (!WriteAt(dst, buffer.data(), static_cast<std::size_t>(n), dstOffset)) return false;
        srcOffset += n, dstOffset += n, length -= n;
    }
    return true;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void PutLe32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::int64_t ID3v2TagSize(int fd, std::int64_t streamSize) {
    std::uint8_t h[10]{};
    if (ReadAt(fd, h, sizeof h, 0) != static_cast<std::int64_t>(sizeof h)) return 0;
    if (std::memcmp(h, "ID3", 3) != 0) return 0;
    std::int64_t size = std::int64_t(h[6]) * (1 << 21) + std::int64_t(h[7]) * (1 << 14) +
                        std::int64_t(h[8]) * (1 << 7) + h[9] + 10;
    if (h[5] & 0x10) size += 10;
    return size > streamSize ? 0 : size;
}

// The granule of the last page: the first "OggS" found searching backwards from the end in
// 50 overlapping windows. Windows that would start before the file start at its beginning.
std::int32_t FindLastGranule(int fd, std::int64_t streamSize) {
    std::uint8_t window[251];
    for (int i = 1; i <= 50; ++i) {
        const std::int64_t start = std::max<std::int64_t>(0, streamSize - 241 * i - 10);
        std::memset(window, 0, sizeof window);
        const std::int64_t got = ReadAt(fd, window, sizeof window, start);
        if (got < 0) return 0;
        for (int k = 241; k >= 0; --k) {
            if (k + 4 > got || std::memcmp(window + k, "OggS", 4) != 0) continue;
            std::uint8_t page[kPageHeaderRead]{};
            if (ReadAt(fd, page, sizeof page, start + k) < 0) return 0;
            return static_cast<std::int32_t>(Le32(page + 6));
        }
        if (start == 0) break;  // every later window would be this one again
    }
    return 0;
}

void ParseCommentEntry(VorbisTag& tag, std::string_view text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        if (tag.vendor.empty()) tag.vendor = std::string(text);
        return;
    }
    const std::string name = UpperAscii(text.substr(0, eq));
    for (int f = 0; f < kFieldCount; ++f) {
        if (name == kFieldNames[f]) {
            tag.fields[f] = tagtext::ToAnsi(tagtext::Utf8ToWide(tagtext::Trim(text.substr(eq + 1))));
        }
    }
}

// Reads the vendor and the entries that follow "\003vorbis" at `pos`. Entries longer than
// the 250-byte buffer are cut; reading stops at the end of the file.
void ReadCommentHeader(int fd, std::int64_t pos, FileInfo& info) {
    VorbisTag& tag = info.tag;
    bool complete = false;
    for (std::int64_t i = 0;;) {
        std::uint8_t len[4];
        if (ReadAt(fd, len, 4, pos) != 4) break;
        const std::int64_t entryLength = Le32(len);
        const std::int64_t entryPos = pos + 4;
        char buffer[kEntryBuffer]{};
        if (ReadAt(fd, buffer, std::min<std::int64_t>(entryLength, kEntryBuffer), entryPos) < 0) break;
        ParseCommentEntry(tag, tagtext::Trim(std::string_view(buffer, kEntryBuffer)));
        if (entryPos + entryLength > info.fileSize) {
            pos = info.fileSize;
            break;
        }
        pos = entryPos + entryLength;
        if (i == 0) {
            info.rawVendor.resize(static_cast<std::size_t>(entryLength));
            if (ReadAt(fd, info.rawVendor.data(), info.rawVendor.size(), entryPos) != entryLength) break;
            std::uint8_t count[4];
            if (ReadAt(fd, count, 4, pos) != 4) break;
            tag.fieldCount = static_cast<std::int32_t>(Le32(count));
            pos += 4;
            if (tag.fieldCount < 0) break;
        }
        ++i;
        if (i > tag.fieldCount) {
            complete = true;
            break;
        }
    }
    info.tagEndPos = pos;
    info.commentComplete = complete;
}

bool ReadOggInfo(const std::string& path, FileInfo& info) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return false;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size > kMaxFileSize) return false;  // the record's sizes and positions are 32-bit
    const int fd = file.get();
    info.fileSize = st.st_size;
    info.id3Size = ID3v2TagSize(fd, info.fileSize);

    if (ReadAt(fd, info.firstPage, kPageHeaderRead, info.id3Size) < 0) return false;
    if (std::memcmp(info.firstPage, "OggS", 4) != 0) return false;
    const std::int64_t identPos = info.id3Size + 27 + info.firstPage[26];
    if (ReadAt(fd, info.identification, sizeof info.identification, identPos) < 0) return false;
    if (std::memcmp(info.identification, "\001vorbis", 7) != 0) return false;

    info.secondPagePos = identPos + sizeof info.identification;
    if (ReadAt(fd, info.secondPage, kPageHeaderRead, info.secondPagePos) < 0) return false;
    const std::int64_t commentPos = info.secondPagePos + 27 + info.secondPage[26];
    if (ReadAt(fd, info.tag.identification, 7, commentPos) < 0) return false;
    if (std::memcmp(info.tag.identification, "\003vorbis", 7) == 0) {
        info.hasCommentHeader = true;
        ReadCommentHeader(fd, commentPos + 7, info);
    }
    info.sampleCount = FindLastGranule(fd, info.fileSize);
    return true;
}

std::string BuildCommentPacket(const FileInfo& info, const std::string (&fields)[kFieldCount]) {
    std::string packet(reinterpret_cast<const char*>(info.tag.identification), 7);
    PutLe32(packet, static_cast<std::uint32_t>(info.rawVendor.size()));
    packet += info.rawVendor;
    std::uint32_t count = 0;
    for (const std::string& f : fields) count += f.empty() ? 0 : 1;
    PutLe32(packet, count);
    for (int f = 0; f < kFieldCount; ++f) {
        if (fields[f].empty()) continue;
        const std::string entry =
            std::string(kFieldNames[f]) + "=" + tagtext::WideToUtf8(tagtext::FromAnsi(fields[f]));
        PutLe32(packet, static_cast<std::uint32_t>(entry.size()));
        packet += entry;
    }
    return packet;
}

// The second page's header refitted to a comment packet of newSize bytes up to its last
// entry, or empty when the page does not allow it. `bodySize` gets the new page body size.
std::vector<std::uint8_t> UpdateSecondPageLacing(const FileInfo& info, std::size_t newSize,
                                                 std::size_t& bodySize) {
    const std::uint8_t* page = info.secondPage;
    const int n = page[26];
    const std::uint8_t* lacing = page + 27;
    int k = 0;  // lacing values of the comment packet
    std::int64_t oldPacket = 0;
    while (k < n && lacing[k] == 255) oldPacket += lacing[k++];
    if (k == n) return {};  // the comment packet goes on past this page
    oldPacket += lacing[k++];

    const std::int64_t oldEntries = info.tagEndPos - (info.secondPagePos + 27 + n);
    if (oldEntries < 0 || oldEntries > oldPacket) return {};
    const std::int64_t packetSize = oldPacket - oldEntries + static_cast<std::int64_t>(newSize);
    const std::int64_t count = packetSize / 255 + 1 + (n - k);
    if (count > 255) return {};

    std::vector<std::uint8_t> header(page, page + 27);
    header[26] = static_cast<std::uint8_t>(count);
    header.insert(header.end(), static_cast<std::size_t>(packetSize / 255), 255);
    header.push_back(static_cast<std::uint8_t>(packetSize % 255));
    header.insert(header.end(), lacing + k, lacing + n);
    bodySize = static_cast<std::size_t>(packetSize);
    for (int i = k; i < n; ++i) bodySize += lacing[i];
    return header;
}

void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

// Writes the file again with the new second page header and comment packet into path + "~"
// and renames that over the original once its data is on disk, so the original is intact
// until the moment it is replaced whole. The permission bits are kept.
bool RewriteWithComment(const std::string& linkOrPath, const FileInfo& info, const std::vector<std::uint8_t>& header,
                        const std::string& packet, std::size_t bodySize) {
    // A link keeps pointing at the file it named: the file it leads to is the one replaced.
    char resolved[PATH_MAX];
    if (!::realpath(linkOrPath.c_str(), resolved)) return false;
    const std::string path = resolved;
    FileHandle src(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (src.get() < 0) return false;
    struct stat st {};
    if (::fstat(src.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != info.fileSize) return false;

    const std::string temp = path + "~";
    ::unlink(temp.c_str());
    FileHandle dst(::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (dst.get() < 0) return false;

    const auto fail = [&] {
        dst.Close();
        ::unlink(temp.c_str());
        return false;
    };
    const std::int64_t headerPos = info.secondPagePos;
    const std::int64_t bodyPos = headerPos + static_cast<std::int64_t>(header.size());
    const std::int64_t restPos = bodyPos + static_cast<std::int64_t>(packet.size());
    if (!CopyRange(src.get(), 0, dst.get(), 0, headerPos)) return fail();
    if (!WriteAt(dst.get(), header.data(), header.size(), headerPos)) return fail();
    if (!WriteAt(dst.get(), packet.data(), packet.size(), bodyPos)) return fail();
    if (!CopyRange(src.get(), info.tagEndPos, dst.get(), restPos, info.fileSize - info.tagEndPos)) return fail();

    // The checksum covers the header as built (checksum field 0) and the new page body.
    std::vector<std::uint8_t> body(bodySize);
    if (ReadAt(dst.get(), body.data(), body.size(), bodyPos) != static_cast<std::int64_t>(body.size()))
        return fail();
    const std::uint32_t crc = OggCrc32(OggCrc32(0, header.data(), header.size()), body.data(), body.size());
    const std::uint8_t crcBytes[4] = {std::uint8_t(crc), std::uint8_t(crc >> 8), std::uint8_t(crc >> 16),
                                      std::uint8_t(crc >> 24)};
    if (!WriteAt(dst.get(), crcBytes, 4, headerPos + 22)) return fail();

    if (::fchmod(dst.get(), st.st_mode & 07777) != 0) return fail();
    if (::fchown(dst.get(), st.st_uid, st.st_gid) != 0) {
        // Only a privileged process can give the file away; the owner is then ours.
    }
    if (::fdatasync(dst.get()) != 0) return fail();
    if (!dst.Close()) return fail();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

}  // namespace

std::uint32_t OggCrc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

int ParseTrackNumber(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash != std::string_view::npos) text = text.substr(0, slash);
    std::size_t b = 0;
    while (b < text.size() && (text[b] == ' ' || text[b] == '\t')) ++b;
    text.remove_prefix(b);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return 0;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

void TOggVorbis::Clear() { *this = TOggVorbis(); }

bool TOggVorbis::LoadFromFile(const std::string& path) {
    Clear();
    FileInfo info;
    if (!ReadOggInfo(path, info)) return false;
    FileBytes = static_cast<std::int32_t>(info.fileSize);
    ChannelCount = info.identification[11];
    SamplesPerSecond = static_cast<std::int32_t>(Le32(info.identification + 12));
    NominalKbps = static_cast<std::uint16_t>(static_cast<std::int32_t>(Le32(info.identification + 20)) / 1000);
    LastGranule = info.sampleCount;
    LeadingTagSize = static_cast<std::int32_t>(info.id3Size);

    const std::string* f = info.tag.fields;
    TagTitle = f[kTitle];
    TagArtist = f[kArtist].empty() ? f[kPerformer] : f[kArtist];
    TagAlbum = f[kAlbum];
    TagTrack = static_cast<std::uint8_t>(ParseTrackNumber(f[kTrackNumber]));
    TagDate = f[kDate];
    TagGenre = f[kGenre];
    TagComment = f[kComment].empty() ? f[kDescription] : f[kComment];
    VendorText = info.tag.vendor;
    return true;
}

double TOggVorbis::DurationSeconds() const {
    if (LastGranule > 0) return SamplesPerSecond > 0 ? double(LastGranule) / SamplesPerSecond : 0.0;
    if (NominalKbps > 0 && ChannelCount > 0)
        return double(FileBytes - LeadingTagSize) / NominalKbps / ChannelCount / 125.0 * 2.0;
    return 0.0;
}

std::int64_t TOggVorbis::AverageBitRate() const {
    const double seconds = DurationSeconds();
    if (!(seconds > 0)) return 0;
    const double rate = std::nearbyint(double(FileBytes - LeadingTagSize) / seconds / 125.0);
    if (rate >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (rate <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(rate);
}

bool TOggVorbis::IsValidStream() const {
    return (ChannelCount == 1 || ChannelCount == 2 || ChannelCount == 6) && SamplesPerSecond > 0 &&
           DurationSeconds() > 0.1 && (AverageBitRate() & 0xFFFF) != 0;
}

bool TOggVorbis::WriteTags(const std::string& path) {
    FileInfo info;
    if (!ReadOggInfo(path, info)) return false;

    // The rewrite replaces only the head of the second page: the identification header must
    // fill the first page alone, and a whole comment header must begin the second page.
    if (!info.hasCommentHeader || !info.commentComplete) return false;
    if (info.firstPage[26] != 1 || info.firstPage[27] != sizeof info.identification) return false;
    if (std::memcmp(info.secondPage, "OggS", 4) != 0 || (info.secondPage[5] & 0x01) != 0) return false;
    std::int64_t pageBody = 0;
    for (int i = 0; i < info.secondPage[26]; ++i) pageBody += info.secondPage[27 + i];
    if (info.secondPagePos + 27 + info.secondPage[26] + pageBody > info.fileSize) return false;

    std::string fields[kFieldCount];
    fields[kTitle] = tagtext::Trim(TagTitle);
    fields[kArtist] = tagtext::Trim(TagArtist);
    fields[kAlbum] = tagtext::Trim(TagAlbum);
    fields[kTrackNumber] = TagTrack != 0 ? std::to_string(TagTrack) : std::string();
    fields[kDate] = tagtext::Trim(TagDate);
    fields[kGenre] = tagtext::Trim(TagGenre);
    fields[kComment] = tagtext::Trim(TagComment);

    const std::string packet = BuildCommentPacket(info, fields);
    std::size_t bodySize = 0;
    std::vector<std::uint8_t> header = UpdateSecondPageLacing(info, packet.size(), bodySize);
    if (header.empty()) return false;
    std::memset(header.data() + 22, 0, 4);
    return RewriteWithComment(path, info, header, packet, bodySize);
}
