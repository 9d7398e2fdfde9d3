// The identity of KezAudioChunksEditor3 for the frame: type library, application id, the
// class list (the editor first, AudioInfo second) and string resources.
#include "KezAudioChunksEditor3/WavChunksEditor3.h"

namespace {

using kez::frame::ClassInfo;
using kez::frame::CreateObject;

const ClassInfo kClasses[] = {
    {u"WavChunksEditor3", CLSID_WavChunksEditor3, IID_IWavChunksEditor3, u"WavChunksEditor Class",
     u"KezAudioChunksEditor3.WavChunksEditor.1", u"KezAudioChunksEditor3.WavChunksEditor", 102,
     &CreateObject<kez::chunks::WavChunksEditor3>, &kez::chunks::WavChunksEditor3Table},
    {u"AudioInfo", CLSID_AudioInfo, IID_IAudioInfo, u"AudioInfo Class", u"KezAudioChunksEditor3.AudioInfo.1",
     u"KezAudioChunksEditor3.AudioInfo", 104, &CreateObject<kez::chunks::AudioInfo>, &kez::chunks::AudioInfoTable},
};

const kez::frame::StringResource kStrings[] = {
    {100, u"KezAudioChunksEditor3"},
};

const kez::frame::LibraryInfo kLibrary{
    u"KezAudioChunksEditor3.DLL",
    LIBID_KezAudioChunksEditor3Lib,
    1,
    0,
    0x409,
    u"KezAudioChunksEditor3Lib",
    u"KezAudioChunksEditor 3.0 Type Library",
    APPID_KezAudioChunksEditor3,
    100,
    101,
    kClasses,
    kStrings,
};

}  // namespace

const kez::frame::LibraryInfo& KezLibraryInfo() { return kLibrary; }
