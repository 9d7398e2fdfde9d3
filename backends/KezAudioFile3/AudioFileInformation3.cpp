// AudioFileInformation3: tags of MP3, Ogg Vorbis and WAV files, and their stream values
// (IAudioFileInformation3).
#include "AudioFile3.h"
#include "Decoder.h"
#include "MediaError.h"

namespace kezfilecom {
namespace {

constexpr const char16_t* kSource = u"KezAudioFile3.AudioFileInformation3";

const platform::DispInterface& InformationTable() {
    using namespace platform;
    using I = IAudioFileInformation3;
    static const DispInterface table{u"IAudioFileInformation3", IID_IAudioFileInformation3, u"Audio file tags", {
        Method<&I::ReadFromFile>(u"ReadFromFile", DISPID_AudioFileInformation3_ReadFromFile,
                                 u"Reads the tags of a file", {{u"FileName"}, {u"Result", VT_BOOL, kRetval}}),
        Method<&I::WriteToFile>(u"WriteToFile", DISPID_AudioFileInformation3_WriteToFile,
                                u"Writes the tags into an MP3 file", {{u"FileName"}, {u"Result", VT_BOOL, kRetval}}),
        Get<&I::get_Title>(u"Title", DISPID_AudioFileInformation3_Title, u"Title"),
        Put<&I::put_Title>(u"Title", DISPID_AudioFileInformation3_Title, u"Title"),
        Get<&I::get_Artist>(u"Artist", DISPID_AudioFileInformation3_Artist, u"Artist"),
        Put<&I::put_Artist>(u"Artist", DISPID_AudioFileInformation3_Artist, u"Artist"),
        Get<&I::get_Album>(u"Album", DISPID_AudioFileInformation3_Album, u"Album"),
        Put<&I::put_Album>(u"Album", DISPID_AudioFileInformation3_Album, u"Album"),
        Get<&I::get_Comments>(u"Comments", DISPID_AudioFileInformation3_Comments, u"Comments"),
        Put<&I::put_Comments>(u"Comments", DISPID_AudioFileInformation3_Comments, u"Comments"),
        Get<&I::get_Genre>(u"Genre", DISPID_AudioFileInformation3_Genre, u"Genre"),
        Put<&I::put_Genre>(u"Genre", DISPID_AudioFileInformation3_Genre, u"Genre"),
        Get<&I::get_Year>(u"Year", DISPID_AudioFileInformation3_Year, u"Year"),
        Put<&I::put_Year>(u"Year", DISPID_AudioFileInformation3_Year, u"Year"),
        Get<&I::get_Track>(u"Track", DISPID_AudioFileInformation3_Track, u"Track number"),
        Put<&I::put_Track>(u"Track", DISPID_AudioFileInformation3_Track, u"Track number"),
        Get<&I::get_TagType>(u"TagType", DISPID_AudioFileInformation3_TagType, u"1 ID3v2 or native, 2 ID3v1"),
        Put<&I::put_TagType>(u"TagType", DISPID_AudioFileInformation3_TagType, u"1 ID3v2 or native, 2 ID3v1"),
        Get<&I::get_Mode>(u"Mode", DISPID_AudioFileInformation3_Mode, u"Mode"),
        Put<&I::put_Mode>(u"Mode", DISPID_AudioFileInformation3_Mode, u"Mode"),
        Get<&I::get_AudioInfo>(u"AudioInfo", DISPID_AudioFileInformation3_AudioInfo, u"Stream information"),
    }};
    return table;
}

}  // namespace

AudioFileInformation3::AudioFileInformation3() : ComObject(InformationTable(), IID_IAudioFileInformation3) {}

HRESULT AudioFileInformation3::Text(const std::string& s, BSTR* v) {
    if (!v) return E_POINTER;
    *v = NewBstr(s);
    return S_OK;
}

HRESULT AudioFileInformation3::SetText(std::string& s, BSTR v) {
    s = Utf8(v);
    return S_OK;
}

HRESULT AudioFileInformation3::Number(int n, LONG* v) {
    if (!v) return E_POINTER;
    *v = n;
    return S_OK;
}

HRESULT AudioFileInformation3::put_Year(LONG v) {
    tags_.year = v > 0 ? v : 0;
    return S_OK;
}

HRESULT AudioFileInformation3::put_Track(LONG v) {
    tags_.track = v > 0 ? v : 0;
    return S_OK;
}

HRESULT AudioFileInformation3::get_TagType(SHORT* v) {
    if (!v) return E_POINTER;
    *v = static_cast<SHORT>(tagType_);
    return S_OK;
}

HRESULT AudioFileInformation3::put_TagType(SHORT v) {
    if (v != 1 && v != 2) return Fail(E_INVALIDARG, kSource, "TagType must be 1 or 2.", IID_IAudioFileInformation3);
    tagType_ = v;
    return S_OK;
}

HRESULT AudioFileInformation3::put_Mode(LONG v) {
    mode_ = v;
    return S_OK;
}

// A file that cannot be read gives false, empty tags and zero stream values, not an error:
// the program asks it of files it has not yet checked.
HRESULT AudioFileInformation3::ReadFromFile(BSTR fileName, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    tags_ = {};
    info_ = {};
    const std::string path = Utf8(fileName);
    try {
        kez::media::StreamInfo si = kez::media::ProbeFile(path);
        info_ = ProbeValues(si);
        kez::media::ReadTags(path, tagType_, &tags_);
        *result = VARIANT_TRUE;
    } catch (const kez::media::MediaError&) {
        tags_ = {};
        info_ = {};
    } catch (const std::bad_alloc&) {
        return Fail(E_OUTOFMEMORY, kSource, "Not enough memory.", IID_IAudioFileInformation3);
    }
    return S_OK;
}

HRESULT AudioFileInformation3::WriteToFile(BSTR fileName, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    try {
        kez::media::WriteMp3Tags(Utf8(fileName), tags_);
        *result = VARIANT_TRUE;
        return S_OK;
    } catch (const kez::media::MediaError& e) {
        return Fail(E_FAIL, kSource, e.what(), IID_IAudioFileInformation3);
    } catch (const std::bad_alloc&) {
        return Fail(E_OUTOFMEMORY, kSource, "Not enough memory.", IID_IAudioFileInformation3);
    }
}

HRESULT AudioFileInformation3::get_AudioInfo(IAudioInfo** value) { return NewAudioInfo(*this, IID_IAudioInfo, value); }

}  // namespace kezfilecom
