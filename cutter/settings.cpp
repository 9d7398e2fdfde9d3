#include "settings.h"

#include <QDir>
#include <vector>

#include "registry/registry.h"

namespace {

// The key, closed when it goes out of scope.
class TKey {
public:
    TKey() {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~TKey() {
        if (key_)
            RegCloseKey(key_);
    }
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;

    explicit operator bool() const { return key_ != nullptr; }

    std::optional<int> ReadInteger(const char16_t* name) const {
        DWORD type = 0, value = 0, size = sizeof(value);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof(value))
            return std::nullopt;
        return std::int32_t(value);
    }

    std::optional<QString> ReadString(const char16_t* name) const {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::vector<char16_t> buffer(size / 2 + 1, 0);
        DWORD got = DWORD(buffer.size() * 2);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS)
            return std::nullopt;
        qsizetype n = qsizetype(got / 2);
        while (n > 0 && buffer[size_t(n - 1)] == 0)
            --n;
        return QString::fromUtf16(buffer.data(), n);
    }

    std::optional<bool> ReadBool(const char16_t* name) const {
        if (auto v = ReadInteger(name))
            return *v != 0;
        return std::nullopt;
    }

    bool WriteInteger(const char16_t* name, int value) const {
        const DWORD v = DWORD(std::int32_t(value));
        return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) == ERROR_SUCCESS;
    }

    bool WriteString(const char16_t* name, const QString& value) const {
        const std::u16string s = value.toStdU16String();
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                              DWORD((s.size() + 1) * sizeof(char16_t))) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

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
    TKey key;
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
    TKey key;
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
