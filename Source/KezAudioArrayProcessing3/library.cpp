// The identity of KezAudioArrayProcessing3 for the frame: type library, application id,
// the class list in the order registration and lookup walk it, and string resources.
#include "KezAudioArrayProcessing3/AudioArrayAnalyzer.h"
#include "KezAudioArrayProcessing3/AudioArrayInfo.h"
#include "KezAudioArrayProcessing3/AudioArrayProcessing3.h"
#include "KezAudioArrayProcessing3/AudioChannelsProcessing3.h"

namespace {

using kez::frame::ClassInfo;
using kez::frame::CreateObject;

const ClassInfo kClasses[] = {
    {u"AudioArrayAnalyzer", CLSID_AudioArrayAnalyzer, IID_IAudioArrayAnalyzer, u"AudioArrayAnalyzer Class",
     u"KezAudioArrayProcessing3.AudioArrayAn.1", u"KezAudioArrayProcessing3.AudioArrayAnal", 106,
     &CreateObject<kez::array::AudioArrayAnalyzer>, &kez::array::AudioArrayAnalyzerTable},
    {u"AudioArrayInfo", CLSID_AudioArrayInfo, IID_IAudioArrayInfo, u"AudioArrayInformation3 Class",
     u"KezAudioArrayProcessing3.AudioArrayIn.1", u"KezAudioArrayProcessing3.AudioArrayInfo", 105,
     &CreateObject<kez::array::AudioArrayInfo>, &kez::array::AudioArrayInfoTable},
    {u"AudioArrayProcessing3", CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3,
     u"AudioArrayProcessing3 Class", u"KezAudioArrayProcessing3.AudioArrayPr.1",
     u"KezAudioArrayProcessing3.AudioArrayProc", 102, &CreateObject<kez::array::AudioArrayProcessing3>,
     &kez::array::AudioArrayProcessing3Table},
    {u"AudioChannelsProcessing3", CLSID_AudioChannelsProcessing3, IID_IAudioChannelsProcessing3,
     u"AudioChannelsProcessing3 Class", u"KezAudioArrayProcessing3.AudioChannel.1",
     u"KezAudioArrayProcessing3.AudioChannelsP", 103, &CreateObject<kez::array::AudioChannelsProcessing3>,
     &kez::array::AudioChannelsProcessing3Table},
};

const kez::frame::StringResource kStrings[] = {
    {100, u"KezAudioArrayProcessing3"},
};

const kez::frame::LibraryInfo kLibrary{
    u"KezAudioArrayProcessing3.DLL",
    LIBID_KezAudioArrayProcessing3Lib,
    1,
    0,
    0x409,
    u"KezAudioArrayProcessing3Lib",
    u"KezAudioArrayProcessing 3.0 Type Library",
    APPID_KezAudioArrayProcessing3,
    100,
    101,
    kClasses,
    kStrings,
};

}  // namespace

const kez::frame::LibraryInfo& KezLibraryInfo() { return kLibrary; }
