#include "mergePage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

#include "GridLayout.h"

namespace {

const QStringList& ColumnCaptions() {
    static const QStringList captions{
        QStringLiteral("File Name"), QStringLiteral("Time"),        QStringLiteral("Title"),
        QStringLiteral("Artist"),    QStringLiteral("Album"),       QStringLiteral("Track#"),
        QStringLiteral("Sample Rate"), QStringLiteral("Bit Rate"),  QStringLiteral("Channel"),
        QStringLiteral("Genre"),     QStringLiteral("Year"),        QStringLiteral("Comment"),
        QStringLiteral("File Size"), QStringLiteral("File Path")};
    return captions;
}

}  // namespace

TMergePage::TMergePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabMerge"));

    GridView = new QTableWidget(0, int(ColumnCaptions().size()), this);
    GridView->setObjectName(QStringLiteral("GridView"));
    GridView->setHorizontalHeaderLabels(ColumnCaptions());
    GridView->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridView->setSelectionMode(QAbstractItemView::SingleSelection);
    GridView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridView->verticalHeader()->hide();
    GridView->horizontalHeader()->setSectionsMovable(true);
    GridView->setColumnWidth(0, 160);
    GridView->setColumnWidth(int(ColumnCaptions().size()) - 1, 200);
    GridView->setGeometry(8, 8, 716, 250);
    sorted_.assign(size_t(GridView->columnCount()), false);
    descending_.assign(size_t(GridView->columnCount()), false);
    hiddenWidths_.assign(size_t(GridView->columnCount()), 64);

    grpOutput = new QGroupBox(QStringLiteral("Output"), this);
    grpOutput->setObjectName(QStringLiteral("grpOutput"));
    grpOutput->setGeometry(8, 372, 716, 88);

    auto* folderLabel = new QLabel(QStringLiteral("Output Folder:"), grpOutput);
    folderLabel->setGeometry(10, 24, 90, 22);
    edtFolder = new QLineEdit(grpOutput);
    edtFolder->setObjectName(QStringLiteral("edtFolder"));
    edtFolder->setGeometry(102, 22, 430, 24);
    folderLabel->setBuddy(edtFolder);
    btnFolder = new QToolButton(grpOutput);
    btnFolder->setObjectName(QStringLiteral("btnFolder"));
    btnFolder->setText(QStringLiteral("..."));
    btnFolder->setGeometry(534, 22, 28, 24);

    auto* nameLabel = new QLabel(QStringLiteral("File Name:"), grpOutput);
    nameLabel->setGeometry(10, 54, 90, 22);
    edtFilename = new QLineEdit(QStringLiteral("Undefined"), grpOutput);
    edtFilename->setObjectName(QStringLiteral("edtFilename"));
    edtFilename->setGeometry(102, 52, 260, 24);
    nameLabel->setBuddy(edtFilename);

    auto* formatLabel = new QLabel(QStringLiteral("Format:"), grpOutput);
    formatLabel->setGeometry(376, 54, 50, 22);
    cmbFormat = new QComboBox(grpOutput);
    cmbFormat->setObjectName(QStringLiteral("cmbFormat"));
    cmbFormat->addItems({QStringLiteral("MP3 (MPEG 1/2 Layer 3)"), QStringLiteral("Ogg Vorbis"), QStringLiteral("WAV"),
                         QStringLiteral("WMA")});
    cmbFormat->setCurrentIndex(-1);
    cmbFormat->setGeometry(430, 52, 200, 24);
    formatLabel->setBuddy(cmbFormat);
}

TGridLayout TMergePage::ColumnLayout() const {
    TGridLayout layout;
    const QHeaderView* header = GridView->horizontalHeader();
    for (int c = 0; c < GridView->columnCount(); ++c) {
        TGridColumn col;
        col.width = header->isSectionHidden(c) ? hiddenWidths_[size_t(c)] : header->sectionSize(c);
        col.position = header->visualIndex(c);
        col.visible = !header->isSectionHidden(c);
        col.sorted = sorted_[size_t(c)];
        col.descending = descending_[size_t(c)];
        layout.columns.push_back(col);
    }
    return layout;
}

void TMergePage::ApplyColumnLayout(const TGridLayout& layout) {
    QHeaderView* header = GridView->horizontalHeader();
    const int count = std::min(int(layout.columns.size()), GridView->columnCount());
    for (int c = 0; c < count; ++c) {
        const TGridColumn& col = layout.columns[size_t(c)];
        header->resizeSection(c, col.width);
        hiddenWidths_[size_t(c)] = col.width;
        header->setSectionHidden(c, !col.visible);
        sorted_[size_t(c)] = col.sorted;
        descending_[size_t(c)] = col.descending;
    }
    // Positions: place the columns in display order, lowest position first.
    std::vector<int> order(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c)
        order[size_t(c)] = c;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return layout.columns[size_t(a)].position < layout.columns[size_t(b)].position;
    });
    for (int visual = 0; visual < count; ++visual)
        header->moveSection(header->visualIndex(order[size_t(visual)]), visual);
}
