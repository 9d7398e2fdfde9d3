// The program's side of the audio file component library (KezAudioFile3): what the
// component publishes (identifiers, interfaces, dispatch ids), and the program's wrappers,
// which create their component object by class id at the first operation and raise
// EOleException when one fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KezAudioFile3/KezAudioFile3Lib.h"

// --- wrappers ----------------------------------------------------------------------------
// Texts at the wrappers are UTF-8 (std::string) or UTF-16 (std::u16string). Not copyable;
// movable. A failing operation raises EOleException with the component's text.

// An owned block variant.
class TAudioBlock {
public:
    TAudioBlock() { VariantInit(&v_); }
    ~TAudioBlock() { VariantClear(&v_); }
    TAudioBlock(TAudioBlock&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    TAudioBlock& operator=(TAudioBlock&& o) noexcept;
    TAudioBlock(const TAudioBlock&) = delete;
    TAudioBlock& operator=(const TAudioBlock&) = delete;

    VARIANT* Get() { return &v_; }
    const VARIANT& Value() const { return v_; }
    bool Empty() const { return v_.vt == VT_EMPTY || v_.vt == VT_NULL; }
    // A copy of the bytes (header and samples); empty for an empty block.
    std::vector<std::uint8_t> Bytes() const;
    static TAudioBlock FromBytes(const std::vector<std::uint8_t>& bytes);

private:
    VARIANT v_;
};

// A reference to the IAudioInfo an object hands out; reads each value afresh.
class TAudioInfo {
public:
    explicit TAudioInfo(IAudioInfo* info) : info_(info) {}  // takes over the reference
    ~TAudioInfo();
    TAudioInfo(TAudioInfo&& o) noexcept : info_(o.info_) { o.info_ = nullptr; }
    TAudioInfo(const TAudioInfo&) = delete;
    TAudioInfo& operator=(const TAudioInfo&) = delete;

    int SampleRate();
    int Bitrate();
    std::int64_t Duration();
    int Channels();
    int SampleSize();
    int FormatTag();
    double CompressRate();
    std::int64_t Size();
    std::int64_t Position();

private:
    IAudioInfo* info_;
};

class TAudioFile3 {
public:
    TAudioFile3() = default;
    ~TAudioFile3();
    TAudioFile3(TAudioFile3&& o) noexcept : intf_(o.intf_) { o.intf_ = nullptr; }
    TAudioFile3(const TAudioFile3&) = delete;
    TAudioFile3& operator=(const TAudioFile3&) = delete;

    void Connect();
    IAudioFile3* DefaultInterface();

    void Open(const std::string& fileName);
    void Open(const std::u16string& fileName);
    // Returns the new Position.
    std::int64_t SeekTime(std::int64_t ms, int mode = 1);
    TAudioBlock Read(int count);
    void Close();
    void SetMp3Format(int sampleRate, int bitrate, int channelMode);
    void SetOggFormat(int sampleRate, int channelMode, int bitrate, int a = -1, int b = -1, int c = -1);
    void SetWavFormat(int sampleRate, int channels, int sampleSize, int flags = 0);
    void Create(const std::string& fileName, int fileType);
    void Create(const std::u16string& fileName, int fileType);
    void Write(const VARIANT& block);
    void Write(const TAudioBlock& block) { Write(block.Value()); }
    TAudioInfo AudioInfo();

private:
    IAudioFile3* intf_ = nullptr;
};

class TAudioFileInformation3 {
public:
    TAudioFileInformation3() = default;
    ~TAudioFileInformation3();
    TAudioFileInformation3(TAudioFileInformation3&& o) noexcept : intf_(o.intf_) { o.intf_ = nullptr; }
    TAudioFileInformation3(const TAudioFileInformation3&) = delete;
    TAudioFileInformation3& operator=(const TAudioFileInformation3&) = delete;

    void Connect();
    IAudioFileInformation3* DefaultInterface();

    bool ReadFromFile(const std::string& fileName);
    bool WriteToFile(const std::string& fileName);
    std::u16string Title();
    std::u16string Artist();
    std::u16string Album();
    std::u16string Comments();
    std::u16string Genre();
    void SetTitle(const std::u16string& v);
    void SetArtist(const std::u16string& v);
    void SetAlbum(const std::u16string& v);
    void SetComments(const std::u16string& v);
    void SetGenre(const std::u16string& v);
    int Year();
    void SetYear(int v);
    int Track();
    void SetTrack(int v);
    int TagType();
    void SetTagType(int v);
    int Mode();
    void SetMode(int v);
    // Sets a property by name through IDispatch (late binding), as the program sets the
    // string properties ("Title", "Artist", ...).
    void SetPropertyByName(const std::u16string& name, const std::u16string& value);
    TAudioInfo AudioInfo();

private:
    IAudioFileInformation3* intf_ = nullptr;
};

// Helpers shared by the two component interface files.
namespace kezfile {
BSTR NewBstr(const std::string& utf8);
BSTR NewBstr(const std::u16string& text);
std::u16string TakeBstr(BSTR s);  // frees s
std::int64_t VariantToInt64(const VARIANT& v);
std::string Utf8(const std::u16string& s);
}  // namespace kezfile
