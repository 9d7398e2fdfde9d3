#include "aboutForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ProductInfo.h"
#include "app/UserInterface.h"
#include "icons.h"

TfrmAbout::TfrmAbout(QWidget* owner, IUserInterface& ui) : QDialog(owner), ui_(ui) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(DrawnIcon(TIconKind::Program).pixmap(64, 64));
    icon->setFixedSize(64, 64);

    auto* title = new QLabel(AppTitle, this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    title->setFont(bold);
    auto* version = new QLabel(kProductVersionText, this);

    lblWebsite = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(kProductWebAddress), this);
    lblMail = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(kProductSupportMail), this);
    for (QLabel* link : {lblWebsite, lblMail}) {
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setOpenExternalLinks(false);
    }
    connect(lblWebsite, &QLabel::linkActivated, this,
            [this](const QString&) { ui_.ShellExecute(QStringLiteral("open"), kProductWebAddress); });
    connect(lblMail, &QLabel::linkActivated, this, [this](const QString&) {
        ui_.ShellExecute(QStringLiteral("open"), QStringLiteral("mailto:") + kProductSupportMail);
    });

    auto* links = new QGridLayout;
    links->addWidget(new QLabel(tr("WebSite:"), this), 0, 0);
    links->addWidget(lblWebsite, 0, 1);
    links->addWidget(new QLabel(tr("E-mail:"), this), 1, 0);
    links->addWidget(lblMail, 1, 1);
    links->setColumnStretch(1, 1);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version);
    text->addSpacing(10);
    text->addLayout(links);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);

    btnClose = new QPushButton(tr("Close"), this);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(14);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // fixed border

    if (owner) {
        adjustSize();
        move(owner->geometry().center() - rect().center());
    }
}
