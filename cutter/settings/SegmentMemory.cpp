#include "SegmentMemory.h"

#include <QFileInfo>
#include <vector>

#include "settings/RegistryKey.h"
#include "settings/settings.h"

namespace {

const std::u16string kKeptKey = std::u16string(kSettingsKey) + u"\\Segments";

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
    const TRegistryKey key(kSettingsKey);
    if (!key) return o;
    if (auto v = key.ReadInteger(u"AdjustToSilence")) o.adjustToSilence = *v != 0;
    if (auto v = key.ReadInteger(u"AdjustWindow"); v && *v > 0 && *v <= 5000) o.adjustWindowMs = *v;
    if (auto v = key.ReadInteger(u"SilenceThreshold"); v && *v < 0 && *v >= -120) o.silence.thresholdDb = *v;
    if (auto v = key.ReadInteger(u"SilenceMinLength"); v && *v > 0) o.silence.minLengthMs = *v;
    return o;
}

bool SaveSegmentOptions(const TSegmentOptions& o) {
    const TRegistryKey key(kSettingsKey);
    if (!key) return false;
    bool ok = key.WriteInteger(u"AdjustToSilence", o.adjustToSilence ? 1 : 0);
    ok &= key.WriteInteger(u"AdjustWindow", o.adjustWindowMs);
    ok &= key.WriteInteger(u"SilenceThreshold", static_cast<int>(o.silence.thresholdDb));
    ok &= key.WriteInteger(u"SilenceMinLength", static_cast<int>(o.silence.minLengthMs));
    return ok;
}

std::optional<TKeptSegments> LoadKeptSegments() {
    const TRegistryKey key(kKeptKey.c_str());
    if (!key) return std::nullopt;
    const auto source = key.ReadString(u"Source"), size = key.ReadString(u"Size"), modified = key.ReadString(u"Modified"),
               rows = key.ReadString(u"Rows");
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
    const TRegistryKey key(kKeptKey.c_str());
    if (!key) return false;
    const bool empty = k.state.rows.empty();
    bool ok = key.WriteString(u"Source", empty ? QString() : k.source);
    ok &= key.WriteString(u"Size", QString::number(k.size));
    ok &= key.WriteString(u"Modified", QString::number(k.modifiedMs));
    ok &= key.WriteString(u"Rows", empty ? QString() : QString::fromUtf8(workflow::StateToJson(k.state)));
    return ok;
}
