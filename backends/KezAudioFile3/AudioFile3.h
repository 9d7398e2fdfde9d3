// The COM classes of libKezAudioFile3.so.
#pragma once

#include "ComSupport.h"
#include "KezAudioFile3/KezAudioFile3Lib.h"
#include "Tags.h"

PLATFORM_INTERFACE_ID(IAudioInfo, IID_IAudioInfo);

namespace kezfilecom {

class AudioFile3 final : public ComObject<IAudioFile3>, public InfoSource {
public:
    AudioFile3();
    ~AudioFile3() override;
    static HRESULT CanCreate() { return S_OK; }

    STDMETHOD(Open)(BSTR fileName) override;
    STDMETHOD(SeekTime)(VARIANT timeMs, LONG mode, VARIANT* result) override;
    STDMETHOD(Read)(LONG count, VARIANT* data) override;
    STDMETHOD(Close)() override;
    STDMETHOD(SetMp3Format)(LONG sampleRate, LONG bitrate, LONG channelMode) override;
    STDMETHOD(SetOggFormat)(LONG sampleRate, LONG channelMode, LONG bitrate, LONG, LONG, LONG) override;
    STDMETHOD(SetWavFormat)(LONG sampleRate, LONG channels, LONG sampleSize, LONG) override;
    STDMETHOD(Create)(BSTR fileName, LONG fileType) override;
    STDMETHOD(Write)(VARIANT data) override;
    STDMETHOD(get_AudioInfo)(IAudioInfo** value) override;

    InfoValues Values() override { return session_.Values(); }
    IUnknown* Owner() override { return static_cast<IAudioFile3*>(this); }

private:
    template <class F>
    HRESULT Guard(F&& f);
    FileSession session_;
    kez::media::EncoderSettings mp3_, ogg_, wav_;
};

class AudioFileInformation3 final : public ComObject<IAudioFileInformation3>, public InfoSource {
public:
    AudioFileInformation3();
    static HRESULT CanCreate() { return S_OK; }

    STDMETHOD(ReadFromFile)(BSTR fileName, VARIANT_BOOL* result) override;
    STDMETHOD(WriteToFile)(BSTR fileName, VARIANT_BOOL* result) override;
    STDMETHOD(get_Title)(BSTR* v) override { return Text(tags_.title, v); }
    STDMETHOD(put_Title)(BSTR v) override { return SetText(tags_.title, v); }
    STDMETHOD(get_Artist)(BSTR* v) override { return Text(tags_.artist, v); }
    STDMETHOD(put_Artist)(BSTR v) override { return SetText(tags_.artist, v); }
    STDMETHOD(get_Album)(BSTR* v) override { return Text(tags_.album, v); }
    STDMETHOD(put_Album)(BSTR v) override { return SetText(tags_.album, v); }
    STDMETHOD(get_Comments)(BSTR* v) override { return Text(tags_.comment, v); }
    STDMETHOD(put_Comments)(BSTR v) override { return SetText(tags_.comment, v); }
    STDMETHOD(get_Genre)(BSTR* v) override { return Text(tags_.genre, v); }
    STDMETHOD(put_Genre)(BSTR v) override { return SetText(tags_.genre, v); }
    STDMETHOD(get_Year)(LONG* v) override { return Number(tags_.year, v); }
    STDMETHOD(put_Year)(LONG v) override;
    STDMETHOD(get_Track)(LONG* v) override { return Number(tags_.track, v); }
    STDMETHOD(put_Track)(LONG v) override;
    STDMETHOD(get_TagType)(SHORT* v) override;
    STDMETHOD(put_TagType)(SHORT v) override;
    STDMETHOD(get_Mode)(LONG* v) override { return Number(mode_, v); }
    STDMETHOD(put_Mode)(LONG v) override;
    STDMETHOD(get_AudioInfo)(IAudioInfo** value) override;

    InfoValues Values() override { return info_; }
    IUnknown* Owner() override { return static_cast<IAudioFileInformation3*>(this); }

private:
    static HRESULT Text(const std::string& s, BSTR* v);
    static HRESULT SetText(std::string& s, BSTR v);
    static HRESULT Number(int n, LONG* v);
    kez::media::TagSet tags_;
    InfoValues info_;
    int tagType_ = 1;
    int mode_ = 0;
};

}  // namespace kezfilecom
