#include "settings.h"

#include <QDir>
#include <vector>

#include "settings/RegistryKey.h"

namespace {

// The eleven integer parameters, in their load and save order.
struct TIntParam {
    const char16_t* name;
    int TOutputParams::*field;
    int fallback;
};

const TIntParam kIntParams[] = {
    {u"mp3Samplerate", &TOutputParams::mp3Samplerate, 44100},
    {u"mp3Channel", &TOutputParams::mp3Channel, 2},
    {u"mp3Bitrate", &TOutputParams::mp3Bitrate, 256},
    {u"oggSamplerate", &TOutputParams::oggSamplerate, 44100},
    {u"oggChannel", &TOutputParams::oggChannel, 2},
    {u"oggBitrate", &TOutputParams::oggBitrate, 256},
    {u"pcmSamlerate", &TOutputParams::pcmSamplerate, 44100},  // the stored name is spelled so
    {u"pcmChannel", &TOutputParams::pcmChannel, 2},
    {u"pcmSamplesize", &TOutputParams::pcmSamplesize, 16},
    {u"wmaFormat", &TOutputParams::wmaFormat, 39},
    {u"outFormat", &TOutputParams::outFormat, 0},
};

}  // namespace

bool TSettingsStore::Load(TSettingsValues& v) const {
    const TRegistryKey key(kSettingsKey);
    if (!key)
        return false;

    if (auto f = key.ReadInteger(u"joinFormat"); f && *f >= 0 && *f < kJoinFormatCount)
        v.joinFormat = *f;
    v.joinName = key.ReadString(u"joinName").value_or(QStringLiteral("Undefined"));
    v.joinFolder = key.ReadString(u"joinFolder").value_or(paths_.musicDir);
    if (v.joinFolder.isEmpty())
        v.joinFolder = paths_.musicDir;

    if (const QString ini = GridIniToLoad(paths_); !ini.isEmpty())
        if (auto layout = ReadGridLayout(ini))
            v.grid = std::move(layout);

    v.splitFolder = key.ReadString(u"splitFolder").value_or(paths_.musicDir);
    if (v.splitFolder.isEmpty())
        v.splitFolder = paths_.musicDir;

    v.promptExist = key.ReadBool(u"promptExist").value_or(false);
    v.showSucc = key.ReadBool(u"showSucc").value_or(true);
    v.openFolder = key.ReadBool(u"openFolder").value_or(false);
    v.copyAudio = key.ReadBool(u"copyAudio").value_or(false);

    for (const TIntParam& p : kIntParams)
        v.params.*p.field = key.ReadInteger(p.name).value_or(p.fallback);
    return true;
}

bool TSettingsStore::Save(const TSettingsValues& v) const {
    const TRegistryKey key(kSettingsKey);
    if (!key)
        return false;
    bool ok = true;
    ok &= key.WriteInteger(u"joinFormat", v.joinFormat);
    ok &= key.WriteString(u"joinName", v.joinName);
    ok &= key.WriteString(u"joinFolder", v.joinFolder);

    if (v.grid) {
        bool written = false;
        if (!paths_.programDir.isEmpty())
            written = WriteGridLayout(paths_.programDir + QStringLiteral("/grid.ini"), *v.grid);
        if (!written && !paths_.configDir.isEmpty() && QDir().mkpath(paths_.configDir))
            written = WriteGridLayout(paths_.configDir + QStringLiteral("/grid.ini"), *v.grid);
        ok &= written;
    }

    ok &= key.WriteString(u"splitFolder", v.splitFolder);
    ok &= key.WriteInteger(u"promptExist", v.promptExist ? 1 : 0);
    ok &= key.WriteInteger(u"showSucc", v.showSucc ? 1 : 0);
    ok &= key.WriteInteger(u"openFolder", v.openFolder ? 1 : 0);
    ok &= key.WriteInteger(u"copyAudio", v.copyAudio ? 1 : 0);
    for (const TIntParam& p : kIntParams)
        ok &= key.WriteInteger(p.name, v.params.*p.field);
    return ok;
}
