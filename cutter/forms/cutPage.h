// The cut page ("Audio Splitter"). It holds the target folder of the cut job; the source,
// position, segment and playback controls are laid out above it.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;
class QGroupBox;

class TCutPage : public QWidget {
    Q_OBJECT
public:
    explicit TCutPage(QWidget* parent = nullptr);

    QGroupBox* grpWork = nullptr;  // the area of the source and segment controls
    QLineEdit* edtSplitFolder = nullptr;
    QToolButton* btnSplitFolder = nullptr;
};
