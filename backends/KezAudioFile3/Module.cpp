// The entry points of libKezAudioFile3.so.
#include "AudioFile3.h"

namespace kezfilecom {
kezserver::ModuleCounts g_counts;
}

namespace {

using kezfilecom::g_counts;

const kezserver::ClassRegistration kClasses[] = {
    {CLASS_AudioFile3, u"KezAudioFile3 AudioFile3", u"KezAudioFile3.AudioFile3.1", u"KezAudioFile3.AudioFile3"},
    {CLASS_AudioFileInformation3, u"KezAudioFile3 AudioFileInformation3", u"KezAudioFile3.AudioFileInformation3.1",
     u"KezAudioFile3.AudioFileInformation3"},
};

kezserver::ClassFactory<kezfilecom::AudioFile3> g_fileFactory{g_counts};
kezserver::ClassFactory<kezfilecom::AudioFileInformation3> g_infoFactory{g_counts};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid == CLASS_AudioFile3) return g_fileFactory.QueryInterface(riid, ppv);
    if (clsid == CLASS_AudioFileInformation3) return g_infoFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return g_counts.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    std::u16string path = kezserver::ModulePath(reinterpret_cast<void*>(&DllRegisterServer));
    for (const auto& c : kClasses) {
        HRESULT hr = kezserver::RegisterClass(c, path);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    HRESULT result = S_OK;
    for (const auto& c : kClasses)
        if (FAILED(kezserver::UnregisterClass(c))) result = SELFREG_E_CLASS;
    return result;
}
