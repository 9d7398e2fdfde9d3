// The merge page ("Audio Joiner"): the list of files to join and the output of the join
// (folder, name, format). The list's buttons, tags and playback controls sit beside them.
#pragma once

#include <QWidget>
#include <vector>

class QComboBox;
class QGroupBox;
class QHeaderView;
class QLineEdit;
class QTableWidget;
class QToolButton;
struct TGridLayout;

class TMergePage : public QWidget {
    Q_OBJECT
public:
    explicit TMergePage(QWidget* parent = nullptr);

    // The list's column layout, as "grid.ini" keeps it.
    TGridLayout ColumnLayout() const;
    void ApplyColumnLayout(const TGridLayout& layout);

    QTableWidget* GridView = nullptr;
    QGroupBox* grpOutput = nullptr;
    QLineEdit* edtFolder = nullptr;
    QToolButton* btnFolder = nullptr;
    QLineEdit* edtFilename = nullptr;
    QComboBox* cmbFormat = nullptr;

private:
    std::vector<bool> sorted_;  // kept as loaded: the list itself is never sorted
    std::vector<bool> descending_;
    std::vector<int> hiddenWidths_;  // a hidden section reports no size
};
