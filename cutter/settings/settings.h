// The settings store: the program's options in the current user's registry under
// "SOFTWARE\Tarvel Free Audio Cutter", loaded once at start-up and saved once at close,
// and the merge list's column layout in "grid.ini".
#pragma once

#include <QString>
#include <optional>

#include "settings/AppPaths.h"
#include "settings/GridLayout.h"
#include "settings/OutputSettings.h"

inline constexpr char16_t kSettingsKey[] = u"SOFTWARE\\Tarvel Free Audio Cutter";
inline constexpr int kJoinFormatCount = 4;  // items of the merge page's format box

// The values the store keeps, as the forms hold them.
struct TSettingsValues {
    int joinFormat = -1;  // item of the merge format box; -1 none
    QString joinName = QStringLiteral("Undefined");
    QString joinFolder;
    QString splitFolder;
    bool promptExist = false;
    bool showSucc = true;
    bool openFolder = false;
    bool copyAudio = false;  // copy instead of encoding where the output format is the source's
    TOutputParams params;
    std::optional<TGridLayout> grid;  // merge list columns; nullopt: leave the list as designed
};

class TSettingsStore {
public:
    explicit TSettingsStore(TAppPaths paths) : paths_(std::move(paths)) {}

    // Reads the stored values over `v`, in the fixed order: joinFormat (taken only when it
    // names an item), joinName, joinFolder (an empty folder becomes the music folder), the
    // grid layout, splitFolder (the same), the three options and the eleven output
    // parameters. Absent values take their defaults; a value of the wrong type counts as
    // absent. When the key cannot be opened nothing is changed and the answer is false.
    bool Load(TSettingsValues& v) const;

    // Writes every value of `v` and "grid.ini" (when `v.grid` holds a layout): beside the
    // program, or in the configuration folder when the program's folder is not writable.
    // Writes all it can and answers false when anything failed.
    bool Save(const TSettingsValues& v) const;

    const TAppPaths& Paths() const { return paths_; }

private:
    TAppPaths paths_;
};
