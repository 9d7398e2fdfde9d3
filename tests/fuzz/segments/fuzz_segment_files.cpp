// Fuzz target for the cue sheet and label file readers, and the writers on what they read.
#include <cstddef>
#include <cstdint>

#include "CueSheet.h"
#include "LabelFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const workflow::CueSheet sheet = workflow::ParseCueSheet(bytes);
        for (int f = 0; f < sheet.files.size(); ++f) {
            const auto rows = workflow::CueEntries(sheet, f, 3600000);
            if (rows.size() <= 99) workflow::ParseCueSheet(workflow::WriteCueSheet(rows, "a.wav"));
        }
    } catch (const workflow::SegmentFileError&) {
    }
    try {
        workflow::ParseLabelFile(workflow::WriteLabelFile(workflow::ParseLabelFile(bytes, 3600000)), 3600000);
    } catch (const workflow::SegmentFileError&) {
    }
    return 0;
}
