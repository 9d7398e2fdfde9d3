#include "SegmentMemory.h"

#include <QFileInfo>
#include <vector>

#include "registry/registry.h"
#include "settings.h"

namespace {

const std::u16string kKeptKey = std::u16string(kSettingsKey) + u"\\Segments";

class TRegKey {
public:
    explicit TRegKey(const char16_t* path) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key_, nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~TRegKey() {
        if (key_) RegCloseKey(key_);
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    explicit operator bool() const { return key_ != nullptr; }

    std::optional<int> Integer(const char16_t* name) const {
        DWORD type = 0, value = 0, size = sizeof(value);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof(value))
            return std::nullopt;
        return std::int32_t(value);
    }
    std::optional<QString> String(const char16_t* name) const {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        std::vector<char16_t> buffer(size / 2 + 1, 0);
        DWORD got = DWORD(buffer.size() * 2);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS)
            return std::nullopt;
        qsizetype n = qsizetype(got / 2);
        while (n > 0 && buffer[size_t(n - 1)] == 0) --n;
        return QString::fromUtf16(buffer.data(), n);
    }
    bool SetInteger(const char16_t* name, int value) const {
        const DWORD v = DWORD(std::int32_t(value));
        return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) == ERROR_SUCCESS;
    }
    bool SetString(const char16_t* name, const QString& value) const {
        const std::u16string s = value.toStdU16String();
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                              DWORD((s.size() + 1) * sizeof(char16_t))) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::optional<TKeptSegments> FileFacts(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) return std::nullopt;
    TKeptSegments k;
    k.source = info.absoluteFilePath();
    k.size = info.size();
    k.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    return k;
}

TSegmentOptions LoadSegmentOptions() {
    TSegmentOptions o;
    const TRegKey key(kSettingsKey);
    if (!key) return o;
    if (auto v = key.Integer(u"AdjustToSilence")) o.adjustToSilence = *v != 0;
    if (auto v = key.Integer(u"AdjustWindow"); v && *v > 0 && *v <= 5000) o.adjustWindowMs = *v;
    if (auto v = key.Integer(u"SilenceThreshold"); v && *v < 0 && *v >= -120) o.silence.thresholdDb = *v;
    if (auto v = key.Integer(u"SilenceMinLength"); v && *v > 0) o.silence.minLengthMs = *v;
    return o;
}

bool SaveSegmentOptions(const TSegmentOptions& o) {
    const TRegKey key(kSettingsKey);
    if (!key) return false;
    bool ok = key.SetInteger(u"AdjustToSilence", o.adjustToSilence ? 1 : 0);
    ok &= key.SetInteger(u"AdjustWindow", o.adjustWindowMs);
    ok &= key.SetInteger(u"SilenceThreshold", static_cast<int>(o.silence.thresholdDb));
    ok &= key.SetInteger(u"SilenceMinLength", static_cast<int>(o.silence.minLengthMs));
    return ok;
}

std::optional<TKeptSegments> LoadKeptSegments() {
    const TRegKey key(kKeptKey.c_str());
    if (!key) return std::nullopt;
    const auto source = key.String(u"Source"), size = key.String(u"Size"), modified = key.String(u"Modified"),
               rows = key.String(u"Rows");
    if (!source || source->isEmpty() || !size || !modified || !rows) return std::nullopt;
    auto state = workflow::StateFromJson(rows->toUtf8());
    if (!state || state->rows.empty()) return std::nullopt;
    TKeptSegments k;
    k.source = *source;
    k.size = size->toLongLong();
    k.modifiedMs = modified->toLongLong();
    k.state = std::move(*state);
    return k;
}

bool SaveKeptSegments(const TKeptSegments& k) {
    const TRegKey key(kKeptKey.c_str());
    if (!key) return false;
    const bool empty = k.state.rows.empty();
    bool ok = key.SetString(u"Source", empty ? QString() : k.source);
    ok &= key.SetString(u"Size", QString::number(k.size));
    ok &= key.SetString(u"Modified", QString::number(k.modifiedMs));
    ok &= key.SetString(u"Rows", empty ? QString() : QString::fromUtf8(workflow::StateToJson(k.state)));
    return ok;
}
