// The column layout of the merge list, kept in "grid.ini" between runs: per column its
// width, display position, sorted flag, visibility and sort kind.
#pragma once

#include <QString>
#include <optional>
#include <vector>

struct TGridColumn {
    int width = 64;
    int position = 0;
    bool sorted = false;
    bool visible = true;
    bool descending = false;

    bool operator==(const TGridColumn&) const = default;
};

struct TGridLayout {
    std::vector<TGridColumn> columns;

    bool operator==(const TGridLayout&) const = default;
};

// Reads a layout file. Sections "Columns Sizes", "Positions", "Sorted", "Visible Columns",
// "Columns Sort Kind" with keys Column0, Column1, ..., and "Common" with "ColumnsCount".
// Missing or unreadable entries keep the column defaults; nullopt when the file cannot be
// read or names no column. At most kMaxGridColumns columns are taken.
std::optional<TGridLayout> ReadGridLayout(const QString& file);

// Writes the layout, replacing the file atomically; false when it cannot be written.
bool WriteGridLayout(const QString& file, const TGridLayout& layout);

inline constexpr int kMaxGridColumns = 256;
