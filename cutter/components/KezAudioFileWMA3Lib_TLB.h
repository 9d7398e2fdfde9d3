// The program's side of the WMA file component library (KezAudioFileWMA3): what the
// component publishes, and the program's wrappers (created by class id at the first
// operation; a failing operation raises EOleException).
#pragma once

#include "KezAudioFileWMA3/KezAudioFileWMA3Lib.h"
#include "cutter/components/KezAudioFile3Lib_TLB.h"
#include "cutter/components/KezAudioFormatSettings3Lib_TLB.h"

// --- wrappers ----------------------------------------------------------------------------

// The same values as TAudioInfo, over the library's own interface.
class TAudioInfoWMA {
public:
    explicit TAudioInfoWMA(IAudioInfoWMA* info) : info_(info) {}  // takes over the reference
    ~TAudioInfoWMA();
    TAudioInfoWMA(TAudioInfoWMA&& o) noexcept : info_(o.info_) { o.info_ = nullptr; }
    TAudioInfoWMA(const TAudioInfoWMA&) = delete;
    TAudioInfoWMA& operator=(const TAudioInfoWMA&) = delete;

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
    IAudioInfoWMA* info_;
};

class TAudioFileWMA3 {
public:
    TAudioFileWMA3() = default;
    ~TAudioFileWMA3();
    TAudioFileWMA3(TAudioFileWMA3&& o) noexcept : intf_(o.intf_) { o.intf_ = nullptr; }
    TAudioFileWMA3(const TAudioFileWMA3&) = delete;
    TAudioFileWMA3& operator=(const TAudioFileWMA3&) = delete;

    void Connect();
    IAudioFileWMA3* DefaultInterface();

    void Open(const std::string& fileName);
    std::int64_t SeekUnits(std::int64_t units, int mode = 1);
    std::int64_t SeekTime(std::int64_t ms, int mode = 1);
    TAudioBlock Read(int count);
    void Close();
    void SetFormat(IAudioFormatWMA* format);
    void SetFormat(TAudioFormatWMA& format) { SetFormat(format.DefaultInterface()); }
    void Create(const std::string& fileName);
    void Write(const VARIANT& block);
    void Write(const TAudioBlock& block) { Write(block.Value()); }
    TAudioInfoWMA AudioInfo();

private:
    IAudioFileWMA3* intf_ = nullptr;
};

class TAudioFileWMAInformation3 {
public:
    TAudioFileWMAInformation3() = default;
    ~TAudioFileWMAInformation3();
    TAudioFileWMAInformation3(TAudioFileWMAInformation3&& o) noexcept : intf_(o.intf_) { o.intf_ = nullptr; }
    TAudioFileWMAInformation3(const TAudioFileWMAInformation3&) = delete;
    TAudioFileWMAInformation3& operator=(const TAudioFileWMAInformation3&) = delete;

    void Connect();
    IAudioFileWMAInformation3* DefaultInterface();

    void ReadFromFile(const std::string& fileName);
    TAudioInfoWMA AudioInfo();
    std::u16string Title();
    std::u16string Artist();
    std::u16string Album();
    std::u16string Comments();
    std::u16string Genre();
    int Year();
    int Track();

private:
    IAudioFileWMAInformation3* intf_ = nullptr;
};
