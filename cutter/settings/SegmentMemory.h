// What the cut page keeps beside the settings for its segment tools: the silence options
// and the segment list of the last source, offered back when that same file (path, size
// and modification time) is opened again. New values under the settings key; absent
// values keep the old behaviour (no adjusting, nothing offered).
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "workflow/SegmentList.h"
#include "workflow/SilenceDetector.h"

struct TSegmentOptions {
    bool adjustToSilence = false;
    int adjustWindowMs = 250;  // each side of a mark
    workflow::SilenceOptions silence;
};

struct TKeptSegments {
    QString source;
    std::int64_t size = 0;
    std::int64_t modifiedMs = 0;  // since the epoch, UTC
    workflow::SegmentList::State state;
};

// The file facts a kept list is matched by; nullopt when the file is not there.
std::optional<TKeptSegments> FileFacts(const QString& path);

// Registry access; each answers false (or nullopt) when the key cannot be used.
TSegmentOptions LoadSegmentOptions();
bool SaveSegmentOptions(const TSegmentOptions& options);
std::optional<TKeptSegments> LoadKeptSegments();
// An empty list removes what was kept.
bool SaveKeptSegments(const TKeptSegments& kept);
