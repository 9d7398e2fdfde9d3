// Helpers for the chunks editor's tests: WAV files assembled chunk by chunk at test time,
// an independent lister of the chunks a file holds, editors created through the library's
// class object (with the audio format component registered in the test's own registry),
// and owned strings and records.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "TestMedia.h"
#include "automation/oleauto.h"
#include "com/combase.h"
#include "frame/module.h"
#include "registry/registry.h"
#include "text/codepage.h"

namespace chunkstest {

using Bytes = std::string;

inline Bytes U16(std::uint16_t v) { return Bytes{char(v & 0xFF), char(v >> 8)}; }
inline Bytes U32(std::uint32_t v) { return U16(std::uint16_t(v)) + U16(std::uint16_t(v >> 16)); }
inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
inline std::uint16_t Get16(const Bytes& b, std::size_t at) {
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

// A chunk with its pad byte; the size may be given to lie about the data.
inline Bytes Chunk(const char* id, const Bytes& data, std::int64_t size = -1) {
    Bytes c = Bytes(id, 4) + U32(std::uint32_t(size < 0 ? data.size() : size)) + data;
    if (data.size() & 1) c.push_back('\0');
    return c;
}
inline Bytes List(const char* type, const Bytes& items) { return Chunk("LIST", Bytes(type, 4) + items); }
inline Bytes Riff(const Bytes& subs, std::int64_t size = -1) {
    return "RIFF" + U32(std::uint32_t(size < 0 ? subs.size() + 4 : size)) + "WAVE" + subs;
}
inline Bytes Fmt(std::uint16_t tag, std::uint16_t ch, std::uint32_t rate, std::uint32_t avg, std::uint16_t align,
                 std::uint16_t bits, const Bytes* extra = nullptr) {
    Bytes f = U16(tag) + U16(ch) + U32(rate) + U32(avg) + U16(align) + U16(bits);
    if (extra) f += U16(std::uint16_t(extra->size())) + *extra;
    return Chunk("fmt ", f);
}
// 16-bit stereo 44100 Hz PCM format chunk (16 bytes) and some data.
inline Bytes PcmFmt() { return Fmt(1, 2, 44100, 176400, 4, 16); }
inline Bytes Samples(std::size_t n) {
    Bytes d(n, '\0');
    for (std::size_t i = 0; i < n; ++i) d[i] = char((i * 7 + 3) % 251);
    return d;
}

struct Listed {
    std::string id;    // for LIST: "LIST/<type>"
    std::uint32_t size;
    Bytes data;        // without a LIST's type
    std::vector<Listed> items;  // the sub-chunks of a LIST
};
// The sub-chunks of the file's RIFF chunk, lists opened one level. Checks pad bytes.
inline std::vector<Listed> ListChunks(const Bytes& b, std::size_t at, std::size_t end) {
    std::vector<Listed> out;
    while (at + 8 <= end) {
        Listed c;
        c.id = b.substr(at, 4);
        c.size = Get32(b, at + 4);
        if (at + 8 + c.size > end) {
            ADD_FAILURE() << "chunk " << c.id << " runs past its parent";
            break;
        }
        c.data = b.substr(at + 8, c.size);
        if (c.id == "LIST") {
            c.id.append(1, '/').append(c.data, 0, 4);
            c.items = ListChunks(b, at + 12, at + 8 + c.size);
            c.data = c.data.substr(4);
        }
        at += 8 + c.size;
        if (c.size & 1) {
            EXPECT_LT(at, end) << c.id << ": pad byte missing";
            if (at < end) {
                EXPECT_EQ(b[at], '\0') << c.id << ": pad byte not zero";
            }
            ++at;
        }
        out.push_back(std::move(c));
    }
    return out;
}
inline std::vector<Listed> ListFile(const std::string& path) {
    Bytes b;
    for (auto c : testmedia::ReadAll(path)) b.push_back(char(c));
    EXPECT_GE(b.size(), 12u);
    if (b.size() < 12) return {};
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(b.substr(8, 4), "WAVE");
    EXPECT_EQ(Get32(b, 4), b.size() - 8) << "RIFF size";
    return ListChunks(b, 12, b.size());
}
inline std::vector<std::string> Ids(const std::vector<Listed>& cs) {
    std::vector<std::string> ids;
    for (const auto& c : cs) ids.push_back(c.id);
    return ids;
}
inline const Listed* Find(const std::vector<Listed>& cs, const std::string& id) {
    for (const auto& c : cs)
        if (c.id == id) return &c;
    return nullptr;
}

// An owned BSTR.
class Str {
public:
    Str() = default;
    explicit Str(const std::u16string& s) : b_(SysAllocStringLen(s.data(), UINT(s.size()))) {}
    explicit Str(const std::string& utf8) : Str(platform::text::Utf8ToUtf16(utf8)) {}
    ~Str() { SysFreeString(b_); }
    Str(const Str&) = delete;
    Str& operator=(const Str&) = delete;
    BSTR get() const { return b_; }
    BSTR release() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }

private:
    BSTR b_ = nullptr;
};
inline std::string Text(BSTR b) { return b ? platform::text::BstrToUtf8(b) : std::string("<absent>"); }

// Frees every string of a record filled by a get.
inline void Free(ExtraInformation& r) {
    for (BSTR* b : {&r.Copyright, &r.Title, &r.Artist, &r.Album, &r.Comments, &r.EncodedBy, &r.Genre,
                    &r.ArchivalLocation, &r.Commissioned, &r.Cropped, &r.Dimensions, &r.DotsPerInch, &r.Engineer,
                    &r.Keywords, &r.Lightness, &r.Medium, &r.Name, &r.PaletteSetting, &r.Product, &r.Subject,
                    &r.Sharpness, &r.Source, &r.SourceForm, &r.Technician}) {
        SysFreeString(*b);
        *b = nullptr;
    }
}
inline void Free(CuePoint& r) {
    for (BSTR* b : {&r.Note, &r.Label, &r.Text}) {
        SysFreeString(*b);
        *b = nullptr;
    }
}
inline void Free(BroadcastAudioExtension& r) {
    for (BSTR* b : {&r.Description, &r.Originator, &r.OriginatorReference, &r.OriginationDate, &r.OriginationTime,
                    &r.CodingHistory}) {
        SysFreeString(*b);
        *b = nullptr;
    }
}
inline void Free(CartAudioExtension& r) {
    for (BSTR* b : {&r.Version, &r.Title, &r.Artist, &r.CutID, &r.ClientID, &r.Category, &r.Classification,
                    &r.OutCue, &r.StartDate, &r.StartTime, &r.EndDate, &r.EndTime, &r.ProducerAppID,
                    &r.ProducerAppVersion, &r.UserDef, &r.URL, &r.TagText}) {
        SysFreeString(*b);
        *b = nullptr;
    }
}

inline std::string BinDir() {
    const char* d = std::getenv("KEZ_BIN_DIR");
    return d ? d : ".";
}
// Registers a module of the bin folder into the test's own registry, as regsvr does.
inline HRESULT RegisterModule(const std::string& name) {
    std::string path = BinDir() + "/lib" + name + ".so";
    HMODULE m = LoadLibraryA(path.c_str());
    if (!m) return E_FAIL;
    auto fn = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(m, "DllRegisterServer"));
    return fn ? fn() : E_FAIL;
}

// An editor made by this library's class object, in process.
inline IWavChunksEditor3* NewEditor() {
    static const HRESULT registered = RegisterModule("AudioFormat");
    EXPECT_EQ(registered, S_OK) << "libAudioFormat.so";
    IClassFactory* f = nullptr;
    EXPECT_EQ(kez::frame::Module::Instance().GetClassObject(CLSID_WavChunksEditor3, IID_IClassFactory,
                                                            reinterpret_cast<void**>(&f)),
              S_OK);
    IWavChunksEditor3* e = nullptr;
    if (f) {
        EXPECT_EQ(f->CreateInstance(nullptr, IID_IWavChunksEditor3, reinterpret_cast<void**>(&e)), S_OK);
        f->Release();
    }
    return e;
}

// A folder of its own per test, removed at the end.
class ChunksTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testmedia::MakeTempDir("chunks");
        editor_ = NewEditor();
        ASSERT_NE(editor_, nullptr);
    }
    void TearDown() override {
        if (editor_) editor_->Release();
        if (!std::getenv("KEZ_KEEP_TEST_FILES")) testmedia::RemoveTree(dir_);
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        return testmedia::MakeFile(dir_, name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    HRESULT Get(const std::string& path) { return editor_->GetChunksInformation(Str(path).get()); }
    HRESULT Set(const std::string& path) { return editor_->SetChunksInformation(Str(path).get()); }
    // Set, then the chunks of the output.
    std::vector<Listed> Rewrite(const std::string& path) {
        EXPECT_EQ(Set(path), S_OK);
        return ListFile(path + ".wav");
    }
    std::string dir_;
    IWavChunksEditor3* editor_ = nullptr;
};

}  // namespace chunkstest
