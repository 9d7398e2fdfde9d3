// The metadata editor: Open reads the attributes of a WMA file's ASF header into a flat,
// indexed list (the content description fields first, then the extended attributes in the
// header's order); the IWMHeaderInfo3 calls edit that list; Flush renders a new header
// object in memory, writes it with the file's unchanged data objects to a file beside it,
// and renames that over the original once it is on disk (the platform's safe save). TagLib parses and renders the
// header object only; it never touches the files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/tbytevectorstream.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>
#include <string>
#include <vector>

#include "AsfHeaderCheck.h"
#include "StaleRewrites.h"
#include "WMVCORE/wmsdk.h"
#include "file/SafeSave.h"

namespace {

struct Attribute {
    std::u16string name;
    WORD stream = 0;
    WORD language = 0;
    WMT_ATTR_DATATYPE type = WMT_TYPE_STRING;
    std::vector<BYTE> value;  // strings as UTF-16LE without a terminating zero
};

// The five texts of the content description object, held by TagLib outside its map.
const char16_t* const kDescriptionNames[] = {u"Title", u"Author", u"Copyright", u"Description", u"Rating"};

bool IsDescriptionName(const std::u16string& name) {
    for (const char16_t* n : kDescriptionNames)
        if (name == n) return true;
    return false;
}

std::u16string FromTagLib(const TagLib::String& s) {
    const TagLib::ByteVector bytes = s.data(TagLib::String::UTF16LE);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(BYTE(bytes[2 * i]) | BYTE(bytes[2 * i + 1]) << 8);
    return out;
}

TagLib::String ToTagLib(const std::u16string& s) {
    TagLib::ByteVector bytes;
    for (char16_t c : s) {
        bytes.append(char(c & 0xFF));
        bytes.append(char(c >> 8));
    }
    return TagLib::String(bytes, TagLib::String::UTF16LE);
}

std::vector<BYTE> StringBytes(const std::u16string& s) {
    std::vector<BYTE> out;
    for (char16_t c : s) {
        out.push_back(BYTE(c & 0xFF));
        out.push_back(BYTE(c >> 8));
    }
    return out;
}

std::u16string BytesString(const std::vector<BYTE>& v) {
    std::u16string out(v.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = char16_t(v[2 * i] | v[2 * i + 1] << 8);
    return out;
}

std::uint64_t LittleEndian(const std::vector<BYTE>& v) {
    std::uint64_t x = 0;
    for (std::size_t i = v.size(); i-- > 0;) x = (x << 8) | v[i];
    return x;
}

std::vector<BYTE> LittleEndianBytes(std::uint64_t x, int size) {
    std::vector<BYTE> out;
    for (int i = 0; i < size; ++i) out.push_back(BYTE(x >> (8 * i)));
    return out;
}

std::string Utf8Path(const WCHAR* name) {
    std::u16string wide;
    for (; *name; ++name) wide.push_back(*name);
    return ToTagLib(wide).to8Bit(true);
}

// A value as given by a caller, checked against its type; strings lose any terminating zeros.
bool TakeValue(WMT_ATTR_DATATYPE type, const BYTE* value, DWORD length, std::vector<BYTE>& out) {
    if (length != 0 && !value) return false;
    std::size_t kept = length;
    if (type == WMT_TYPE_STRING)
        while (kept >= 2 && value[kept - 1] == 0 && value[kept - 2] == 0) kept -= 2;
    out.assign(value, value + kept);
    switch (type) {
        case WMT_TYPE_STRING:
            return length % 2 == 0;
        case WMT_TYPE_BINARY:
            return true;
        case WMT_TYPE_DWORD:
        case WMT_TYPE_BOOL:
            return length == 4;
        case WMT_TYPE_QWORD:
            return length == 8;
        case WMT_TYPE_WORD:
            return length == 2;
        case WMT_TYPE_GUID:
            return length == 16;
    }
    return false;
}

Attribute FromTagLibAttribute(const std::u16string& name, const TagLib::ASF::Attribute& a) {
    Attribute out;
    out.name = name;
    out.stream = WORD(a.stream());
    out.language = WORD(a.language());
    switch (a.type()) {
        case TagLib::ASF::Attribute::UnicodeType:
            out.type = WMT_TYPE_STRING;
            out.value = StringBytes(FromTagLib(a.toString()));
            break;
        case TagLib::ASF::Attribute::BoolType:
            out.type = WMT_TYPE_BOOL;
            out.value = LittleEndianBytes(a.toBool() ? 1 : 0, 4);
            break;
        case TagLib::ASF::Attribute::DWordType:
            out.type = WMT_TYPE_DWORD;
            out.value = LittleEndianBytes(a.toUInt(), 4);
            break;
        case TagLib::ASF::Attribute::QWordType:
            out.type = WMT_TYPE_QWORD;
            out.value = LittleEndianBytes(a.toULongLong(), 8);
            break;
        case TagLib::ASF::Attribute::WordType:
            out.type = WMT_TYPE_WORD;
            out.value = LittleEndianBytes(a.toUShort(), 2);
            break;
        default: {  // bytes, pictures, GUIDs: kept as the bytes they are
            const TagLib::ByteVector b = a.toByteVector();
            out.type = WMT_TYPE_BINARY;
            out.value.assign(b.data(), b.data() + b.size());
            break;
        }
    }
    return out;
}

TagLib::ASF::Attribute ToTagLibAttribute(const Attribute& a) {
    TagLib::ASF::Attribute out;
    switch (a.type) {
        case WMT_TYPE_STRING:
            out = TagLib::ASF::Attribute(ToTagLib(BytesString(a.value)));
            break;
        case WMT_TYPE_BOOL:
            out = TagLib::ASF::Attribute(LittleEndian(a.value) != 0);
            break;
        case WMT_TYPE_DWORD:
            out = TagLib::ASF::Attribute(static_cast<unsigned int>(LittleEndian(a.value)));
            break;
        case WMT_TYPE_QWORD:
            out = TagLib::ASF::Attribute(static_cast<unsigned long long>(LittleEndian(a.value)));
            break;
        case WMT_TYPE_WORD:
            out = TagLib::ASF::Attribute(static_cast<unsigned short>(LittleEndian(a.value)));
            break;
        default:
            out = TagLib::ASF::Attribute(
                TagLib::ByteVector(reinterpret_cast<const char*>(a.value.data()), unsigned(a.value.size())));
            break;
    }
    out.setStream(a.stream);
    out.setLanguage(a.language);
    return out;
}

constexpr unsigned char kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kContentDescriptionGuid[16] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kFilePropertiesGuid[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                   0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
// A header object beyond this is not a WMA file we should hold in memory.
constexpr std::uint64_t kMaxHeaderSize = 64u << 20;

std::uint64_t ReadLe(const unsigned char* p, int size) {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

void WriteLe(std::vector<unsigned char>& out, std::size_t at, std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

void AppendLe(std::vector<unsigned char>& out, std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// The header object at the start of an open file, whole; false when there is none or
// when its objects do not fit in it.
bool ReadHeaderObject(int fd, std::uint64_t fileSize, std::vector<unsigned char>& header) {
    unsigned char head[30];
    if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) return false;
    if (std::memcmp(head, kHeaderGuid, 16) != 0) return false;
    const std::uint64_t size = ReadLe(head + 16, 8);
    if (size < 30 || size > fileSize || size > kMaxHeaderSize) return false;
    header.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, header.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return kez::media::AsfHeaderFits(header.data(), header.size());
}

// The content description object as a reader expects it: an empty text takes no bytes
// (TagLib writes a lone terminator, which readers show as an empty attribute), and the
// object goes when all five are empty. The file size in the file properties becomes the
// size of the file to be written.
std::vector<unsigned char> TidyHeader(const TagLib::ByteVector& rendered, std::uint64_t dataSize) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(rendered.data());
    const std::size_t size = rendered.size();
    std::vector<unsigned char> out(bytes, bytes + 30);
    std::uint32_t count = 0;
    std::size_t fileSizeAt = 0;
    for (std::size_t pos = 30; pos + 24 <= size;) {
        const std::uint64_t objectSize = ReadLe(bytes + pos + 16, 8);
        if (objectSize < 24 || objectSize > size - pos) break;
        const unsigned char* object = bytes + pos;
        if (std::memcmp(object, kContentDescriptionGuid, 16) == 0 && objectSize >= 34) {
            std::vector<unsigned char> texts;
            std::uint16_t lengths[5];
            std::size_t at = 34;
            bool any = false;
            for (int i = 0; i < 5; ++i) {
                std::size_t length = ReadLe(object + 24 + 2 * i, 2);
                if (at + length > objectSize) length = at > objectSize ? 0 : objectSize - at;
                std::size_t text = length & ~std::size_t(1);
                while (text >= 2 && object[at + text - 1] == 0 && object[at + text - 2] == 0) text -= 2;
                lengths[i] = static_cast<std::uint16_t>(text ? text + 2 : 0);
                texts.insert(texts.end(), object + at, object + at + text);
                if (text) texts.insert(texts.end(), {0, 0}), any = true;
                at += length;
            }
            if (any) {
                out.insert(out.end(), object, object + 16);
                AppendLe(out, 34 + texts.size(), 8);
                for (std::uint16_t l : lengths) AppendLe(out, l, 2);
                out.insert(out.end(), texts.begin(), texts.end());
                ++count;
            }
        } else {
            if (std::memcmp(object, kFilePropertiesGuid, 16) == 0 && objectSize >= 48) fileSizeAt = out.size() + 40;
            out.insert(out.end(), object, object + objectSize);
            ++count;
        }
        pos += objectSize;
    }
    WriteLe(out, 16, out.size(), 8);
    WriteLe(out, 24, count, 4);
    if (fileSizeAt) WriteLe(out, fileSizeAt, out.size() + dataSize, 8);
    return out;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n, size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the source from `offset` to its end to the destination's current position.
bool CopyRest(int src, std::uint64_t offset, int dst) {
    off64_t in = static_cast<off64_t>(offset);
    for (;;) {
        const ssize_t n = ::copy_file_range(src, &in, dst, nullptr, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
        break;
    }
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::pread(src, buffer.data(), buffer.size(), in);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(dst, buffer.data(), static_cast<std::size_t>(n))) return false;
        in += n;
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

class MetadataEditor final : public IWMMetadataEditor, public IWMHeaderInfo3 {
public:
    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IWMMetadataEditor) {
            *ppv = static_cast<IWMMetadataEditor*>(this);
        } else if (riid == IID_IWMHeaderInfo || riid == IID_IWMHeaderInfo2 || riid == IID_IWMHeaderInfo3) {
            *ppv = static_cast<IWMHeaderInfo3*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IWMMetadataEditor
    STDMETHOD(Open)(const WCHAR* fileName) override {
        if (!fileName) return E_POINTER;
        if (open_) return NS_E_INVALID_REQUEST;
        const std::string path = Utf8Path(fileName);
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return NS_E_FILE_OPEN_FAILED;
        std::vector<unsigned char> header;
        if (!ReadHeaderObject(fd.get(), std::uint64_t(st.st_size), header)) return NS_E_INVALID_INPUT_FORMAT;
        TagLib::ByteVectorStream stream(
            TagLib::ByteVector(reinterpret_cast<const char*>(header.data()), unsigned(header.size())));
        TagLib::ASF::File file(&stream, false);
        if (!file.isValid() || !file.tag()) return NS_E_INVALID_INPUT_FORMAT;
        const TagLib::ASF::Tag& tag = *file.tag();
        attributes_.clear();
        const TagLib::String descriptions[] = {tag.title(), tag.artist(), tag.copyright(), tag.comment(),
                                               tag.rating()};
        for (int i = 0; i < 5; ++i) {
            if (descriptions[i].isEmpty()) continue;
            Attribute a;
            a.name = kDescriptionNames[i];
            a.value = StringBytes(FromTagLib(descriptions[i]));
            attributes_.push_back(std::move(a));
        }
        for (const auto& [name, list] : tag.attributeListMap()) {
            const std::u16string wideName = FromTagLib(name);
            for (const auto& attribute : list) {
                // A content description text repeated among the extended attributes (some
                // writers do that) is one attribute: the description object's, or the first.
                if (IsDescriptionName(wideName)) {
                    if (Find(wideName) >= 0 || attribute.type() != TagLib::ASF::Attribute::UnicodeType) continue;
                    Attribute a;
                    a.name = wideName;
                    a.value = StringBytes(FromTagLib(attribute.toString()));
                    attributes_.push_back(std::move(a));
                    continue;
                }
                attributes_.push_back(FromTagLibAttribute(wideName, attribute));
            }
        }
        // A link keeps pointing at the file it named: Flush replaces the file it leads to.
        char resolved[PATH_MAX];
        path_ = ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
        open_ = true;
        return S_OK;
    }
    STDMETHOD(Close)() override {
        open_ = false;
        attributes_.clear();
        path_.clear();
        return S_OK;
    }
    STDMETHOD(Flush)() override {
        if (!open_) return NS_E_INVALID_REQUEST;
        const HRESULT hr = WriteHeader();
        Close();
        return hr;
    }

    // IWMHeaderInfo
    STDMETHOD(GetAttributeCount)(WORD streamNum, WORD* count) override {
        if (!count) return E_POINTER;
        if (!open_) return NS_E_INVALID_REQUEST;
        WORD n = 0;
        for (const Attribute& a : attributes_) n += Matches(a, streamNum) ? 1 : 0;
        *count = n;
        return S_OK;
    }
    STDMETHOD(GetAttributeByIndex)(WORD index, WORD* streamNum, WCHAR* name, WORD* nameLength,
                                   WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) override {
        if (!length) return E_POINTER;
        DWORD longLength = *length;
        const HRESULT hr = GetAttributeByIndexEx(streamNum ? *streamNum : 0, index, name, nameLength, type,
                                                 nullptr, value, &longLength);
        if (longLength > 0xFFFF) return NS_E_INVALID_REQUEST;
        *length = WORD(longLength);
        if (SUCCEEDED(hr) && streamNum) *streamNum = attributes_[index].stream;
        return hr;
    }
    STDMETHOD(GetAttributeByName)(WORD* streamNum, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                                  WORD* length) override {
        if (!streamNum || !name || !length) return E_POINTER;
        if (!open_) return NS_E_INVALID_REQUEST;
        for (std::size_t i = 0; i < attributes_.size(); ++i) {
            if (attributes_[i].name != name || attributes_[i].stream != *streamNum) continue;
            DWORD longLength = *length;
            const HRESULT hr = CopyValue(attributes_[i], type, value, &longLength);
            *length = WORD(std::min<DWORD>(longLength, 0xFFFF));
            return hr;
        }
        return ASF_E_NOTFOUND;
    }
    STDMETHOD(SetAttribute)(WORD streamNum, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                            WORD length) override {
        if (!name) return E_POINTER;
        if (!open_) return NS_E_INVALID_REQUEST;
        for (std::size_t i = 0; i < attributes_.size(); ++i)
            if (attributes_[i].name == name && attributes_[i].stream == streamNum)
                return ModifyAttribute(streamNum, WORD(i), type, attributes_[i].language, value, length);
        WORD index = 0;
        return AddAttribute(streamNum, name, &index, type, 0, value, length);
    }
    STDMETHOD(GetMarkerCount)(WORD* count) override { return Zero(count); }
    STDMETHOD(GetMarker)(WORD, WCHAR*, WORD*, QWORD*) override { return E_INVALIDARG; }
    STDMETHOD(AddMarker)(LPCWSTR, QWORD) override { return E_NOTIMPL; }
    STDMETHOD(RemoveMarker)(WORD) override { return E_INVALIDARG; }
    STDMETHOD(GetScriptCount)(WORD* count) override { return Zero(count); }
    STDMETHOD(GetScript)(WORD, WCHAR*, WORD*, WCHAR*, WORD*, QWORD*) override { return E_INVALIDARG; }
    STDMETHOD(AddScript)(LPCWSTR, LPCWSTR, QWORD) override { return E_NOTIMPL; }
    STDMETHOD(RemoveScript)(WORD) override { return E_INVALIDARG; }

    // IWMHeaderInfo2
    STDMETHOD(GetCodecInfoCount)(DWORD* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetCodecInfo)(DWORD, WORD*, WCHAR*, WORD*, WCHAR*, WMT_CODEC_INFO_TYPE*, WORD*, BYTE*) override {
        return E_INVALIDARG;
    }

    // IWMHeaderInfo3
    STDMETHOD(GetVersion)(WORD* version) override {
        if (!version) return E_POINTER;
        *version = 3;
        return S_OK;
    }
    STDMETHOD(GetAttributeIndices)(WORD streamNum, LPCWSTR name, WORD* langIndex, WORD* indices,
                                   WORD* count) override {
        if (!name || !count) return E_POINTER;
        if (!open_) return NS_E_INVALID_REQUEST;
        std::vector<WORD> found;
        for (std::size_t i = 0; i < attributes_.size(); ++i) {
            const Attribute& a = attributes_[i];
            if (a.name == name && Matches(a, streamNum) && (!langIndex || a.language == *langIndex))
                found.push_back(WORD(i));
        }
        if (indices) {
            if (*count < found.size()) {
                *count = WORD(found.size());
                return ASF_E_BUFFERTOOSMALL;
            }
            std::copy(found.begin(), found.end(), indices);
        }
        *count = WORD(found.size());
        return S_OK;
    }
    STDMETHOD(GetAttributeByIndexEx)(WORD streamNum, WORD index, LPWSTR name, WORD* nameLength,
                                     WMT_ATTR_DATATYPE* type, WORD* langIndex, BYTE* value,
                                     DWORD* length) override {
        if (!nameLength || !length) return E_POINTER;
        if (!open_) return NS_E_INVALID_REQUEST;
        if (index >= attributes_.size()) return E_INVALIDARG;
        const Attribute& a = attributes_[index];
        const WORD needName = WORD(a.name.size() + 1);
        if (name) {
            if (*nameLength < needName) {
                *nameLength = needName;
                return ASF_E_BUFFERTOOSMALL;
            }
            std::copy(a.name.begin(), a.name.end(), name);
            name[a.name.size()] = 0;
        }
        *nameLength = needName;
        if (langIndex) *langIndex = a.language;
        return CopyValue(a, type, value, length);
    }
    STDMETHOD(ModifyAttribute)(WORD streamNum, WORD index, WMT_ATTR_DATATYPE type, WORD langIndex,
                               const BYTE* value, DWORD length) override {
        if (!open_) return NS_E_INVALID_REQUEST;
        if (index >= attributes_.size()) return E_INVALIDARG;
        std::vector<BYTE> bytes;
        if (!TakeValue(type, value, length, bytes)) return E_INVALIDARG;
        Attribute& a = attributes_[index];
        if (IsDescriptionName(a.name) && type != WMT_TYPE_STRING) return E_INVALIDARG;
        a.type = type;
        a.language = langIndex;
        a.value = std::move(bytes);
        return S_OK;
    }
    STDMETHOD(AddAttribute)(WORD streamNum, LPCWSTR name, WORD* index, WMT_ATTR_DATATYPE type, WORD langIndex,
                            const BYTE* value, DWORD length) override {
        if (!name) return E_POINTER;
        if (!open_) return NS_E_INVALID_REQUEST;
        if (!*name || attributes_.size() >= 0xFFFF) return E_INVALIDARG;
        Attribute a;
        a.name = name;
        a.stream = streamNum;
        a.language = langIndex;
        a.type = type;
        if (!TakeValue(type, value, length, a.value)) return E_INVALIDARG;
        if (IsDescriptionName(a.name)) {
            // The content description object holds each of its texts once, for the whole file.
            if (type != WMT_TYPE_STRING || streamNum != 0 || langIndex != 0) return E_INVALIDARG;
            for (const Attribute& other : attributes_)
                if (other.name == a.name) return NS_E_INVALID_REQUEST;
        }
        attributes_.push_back(std::move(a));
        if (index) *index = WORD(attributes_.size() - 1);
        return S_OK;
    }
    STDMETHOD(DeleteAttribute)(WORD streamNum, WORD index) override {
        if (!open_) return NS_E_INVALID_REQUEST;
        if (index >= attributes_.size()) return E_INVALIDARG;
        attributes_.erase(attributes_.begin() + index);
        return S_OK;
    }
    STDMETHOD(AddCodecInfo)(LPCWSTR, LPCWSTR, WMT_CODEC_INFO_TYPE, WORD, BYTE*) override { return E_NOTIMPL; }

private:
    static constexpr HRESULT ASF_E_NOTFOUND = (HRESULT)0xC00D07F0;

    ~MetadataEditor() = default;

    int Find(const std::u16string& name) const {
        for (std::size_t i = 0; i < attributes_.size(); ++i)
            if (attributes_[i].name == name) return int(i);
        return -1;
    }
    static bool Matches(const Attribute& a, WORD streamNum) {
        return streamNum == WM_ANY_STREAM || a.stream == streamNum;
    }
    static HRESULT Zero(WORD* count) {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }

    // The value out, strings with their terminating zero; *length is the room on entry.
    static HRESULT CopyValue(const Attribute& a, WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* length) {
        std::vector<BYTE> out = a.value;
        if (a.type == WMT_TYPE_STRING) out.insert(out.end(), {0, 0});
        if (type) *type = a.type;
        if (value) {
            if (*length < out.size()) {
                *length = DWORD(out.size());
                return ASF_E_BUFFERTOOSMALL;
            }
            std::memcpy(value, out.data(), out.size());
        }
        *length = DWORD(out.size());
        return S_OK;
    }

    // A new header object with the attributes, then the file's other objects unchanged, into
    // a file beside the original, which then replaces it whole.
    HRESULT WriteHeader() {
        FileDescriptor src(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (src.get() < 0 || ::fstat(src.get(), &st) != 0 || !S_ISREG(st.st_mode)) return NS_E_FILE_OPEN_FAILED;
        std::vector<unsigned char> header;
        if (!ReadHeaderObject(src.get(), std::uint64_t(st.st_size), header)) return NS_E_INVALID_INPUT_FORMAT;
        const std::uint64_t dataSize = std::uint64_t(st.st_size) - header.size();

        TagLib::ByteVectorStream stream(
            TagLib::ByteVector(reinterpret_cast<const char*>(header.data()), unsigned(header.size())));
        {
            TagLib::ASF::File file(&stream, false);
            if (!file.isValid() || !file.tag()) return NS_E_INVALID_INPUT_FORMAT;
            TagLib::ASF::Tag& tag = *file.tag();
            tag.setTitle(TagLib::String());
            tag.setArtist(TagLib::String());
            tag.setCopyright(TagLib::String());
            tag.setComment(TagLib::String());
            tag.setRating(TagLib::String());
            std::vector<TagLib::String> names;
            for (const auto& entry : tag.attributeListMap()) names.push_back(entry.first);
            for (const auto& name : names) tag.removeItem(name);
            for (const Attribute& a : attributes_) {
                const TagLib::String value = ToTagLib(BytesString(a.value));
                if (a.name == u"Title") {
                    tag.setTitle(value);
                } else if (a.name == u"Author") {
                    tag.setArtist(value);
                } else if (a.name == u"Copyright") {
                    tag.setCopyright(value);
                } else if (a.name == u"Description") {
                    tag.setComment(value);
                } else if (a.name == u"Rating") {
                    tag.setRating(value);
                } else {
                    tag.addAttribute(ToTagLib(a.name), ToTagLibAttribute(a));
                }
            }
            if (!file.save()) return NS_E_FILE_WRITE;
        }
        const std::vector<unsigned char> newHeader = TidyHeader(*stream.data(), dataSize);

        wmvcore::RemoveStaleRewrites(path_);
        platform::file::SafeSave save(path_);
        FileDescriptor dst(::open(save.TempPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (dst.get() < 0) return NS_E_FILE_WRITE;
        if (!WriteAll(dst.get(), newHeader.data(), newHeader.size())) return NS_E_FILE_WRITE;
        if (!CopyRest(src.get(), header.size(), dst.get())) return NS_E_FILE_WRITE;
        if (::fchown(dst.get(), st.st_uid, st.st_gid) != 0) {
            // Only a privileged process can give the file away; the owner is then ours.
        }
        if (::close(dst.release()) != 0) return NS_E_FILE_WRITE;
        // Commit gives it the old file's permissions, syncs it and renames it into place.
        if (save.Commit() != 0) return NS_E_FILE_WRITE;
        return S_OK;
    }

    std::atomic<ULONG> refs_{1};
    bool open_ = false;
    std::string path_;
    std::vector<Attribute> attributes_;
};

}  // namespace

extern "C" PLATFORM_CXX HRESULT WMCreateEditor(IWMMetadataEditor** editor) {
    if (!editor) return E_POINTER;
    *editor = new (std::nothrow) MetadataEditor();
    return *editor ? S_OK : E_OUTOFMEMORY;
}
