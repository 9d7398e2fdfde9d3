#include "cutPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TCutPage::TCutPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabSplit"));

    grpWork = new QGroupBox(QStringLiteral("Audio Splitter"), this);
    grpWork->setObjectName(QStringLiteral("grpSplitter"));
    grpWork->setGeometry(8, 6, 716, 410);

    auto* label = new QLabel(QStringLiteral("Target Folder:"), this);
    label->setGeometry(12, 432, 90, 22);
    edtSplitFolder = new QLineEdit(this);
    edtSplitFolder->setObjectName(QStringLiteral("edtSplitFolder"));
    edtSplitFolder->setGeometry(104, 430, 440, 24);
    label->setBuddy(edtSplitFolder);
    btnSplitFolder = new QToolButton(this);
    btnSplitFolder->setObjectName(QStringLiteral("btnSplitFolder"));
    btnSplitFolder->setText(QStringLiteral("..."));
    btnSplitFolder->setToolTip(QStringLiteral("Select Target Folder"));
    btnSplitFolder->setGeometry(546, 430, 28, 24);
}
