#include "progressForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/UserInterface.h"
#include "pageHost.h"

Tfrmprogress::Tfrmprogress(TPageHost* main) : QDialog(main->HostWindow()), main_(main) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(tr("Task progress"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setFixedSize(460, 156);

    auto* current = new QLabel(tr("Current Process:"), this);
    current->setGeometry(12, 10, 100, 20);
    lblFilename = new QLabel(this);
    lblFilename->setObjectName(QStringLiteral("lblFilename"));
    lblFilename->setGeometry(112, 10, 336, 20);
    pbFile = new QProgressBar(this);
    pbFile->setObjectName(QStringLiteral("pbFile"));
    pbFile->setGeometry(12, 34, 436, 20);

    auto* total = new QLabel(tr("Total Process: "), this);
    total->setGeometry(12, 64, 100, 20);
    lblTotal = new QLabel(this);
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    lblTotal->setGeometry(112, 64, 336, 20);
    PbTotal = new QProgressBar(this);
    PbTotal->setObjectName(QStringLiteral("PbTotal"));
    PbTotal->setGeometry(12, 88, 436, 20);

    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(190, 118, 80, 28);
    // The window only tells the main window; the job sees the flag at its next block.
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        QApplication::postEvent(main_->HostWindow(), new QEvent(QEvent::Type(QEvent::User + WM_USER_CANCEL)));
    });
}

Tfrmprogress::~Tfrmprogress() { EndProgress(); }

void Tfrmprogress::BeginProgress(const QString& caption) {
    main_->CancelFlag = false;
    if (!caption.isEmpty())
        setWindowTitle(caption);
    main_->HostWindow()->setEnabled(false);
    setEnabled(true);  // a child of the disabled window would be disabled with it
    shown_ = true;
    show();
    activateWindow();
    QApplication::processEvents();
}

void Tfrmprogress::EndProgress() {
    if (!shown_)
        return;
    shown_ = false;
    main_->HostWindow()->setEnabled(true);
    main_->HostWindow()->activateWindow();
    hide();
}

void Tfrmprogress::SetFileLabel(const QString& text) {
    // Long paths keep their file name visible; the whole path stays in the tip.
    lblFilename->setToolTip(text);
    lblFilename->setText(lblFilename->fontMetrics().elidedText(text, Qt::ElideMiddle, lblFilename->width()));
}

void Tfrmprogress::SetFileProgress(int percent) { pbFile->setValue(percent); }

void Tfrmprogress::SetTotal(const QString& label, int percent) {
    lblTotal->setText(label);
    PbTotal->setValue(percent);
}

void Tfrmprogress::ProcessEvents() { QApplication::processEvents(); }

bool Tfrmprogress::Cancelled() const { return main_->CancelFlag; }

bool Tfrmprogress::AskYesNo(const QString& caption, const QString& text) { return main_->UI().Ask(text, caption); }

void Tfrmprogress::ShowInformation(const QString& caption, const QString& text) {
    main_->UI().ShowMessage(text, caption, TMessageKind::Information);
}

void Tfrmprogress::ShowMessage(const QString& text) { main_->UI().ShowMessage(text, AppTitle, TMessageKind::Error); }

void Tfrmprogress::ExploreFolder(const QString& folder) {
    main_->UI().ShellExecute(QStringLiteral("explore"), folder);
}

void Tfrmprogress::closeEvent(QCloseEvent* event) {
    // Closing the window by its frame is a Cancel, not a way to lose the progress view.
    event->ignore();
    btnCancel->click();
}
