#include "QtUserInterface.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "browseFolder.h"

void TQtUserInterface::ShowMessage(const QString& text, const QString& caption, TMessageKind kind) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case TMessageKind::Plain: icon = QMessageBox::NoIcon; break;
    case TMessageKind::Information: icon = QMessageBox::Information; break;
    case TMessageKind::Warning: icon = QMessageBox::Warning; break;
    case TMessageKind::Error: icon = QMessageBox::Critical; break;
    case TMessageKind::Question: icon = QMessageBox::Question; break;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner_);
    box.exec();
}

bool TQtUserInterface::Ask(const QString& text, const QString& caption) {
    return QMessageBox::question(owner_, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

bool TQtUserInterface::ChooseFolder(QString& path, const QString& title, const QString& root) {
    return BrowseForFolder(owner_, path, title, BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_VALIDATE, root);
}

void TQtUserInterface::ShellExecute(const QString& verb, const QString& target) {
    // "explore" and "open" of a folder both show it; addresses go to their handler.
    const QUrl url = QFileInfo(target).isAbsolute() && !target.contains(u':') ? QUrl::fromLocalFile(target)
                                                                                : QUrl(target);
    Q_UNUSED(verb);
    QDesktopServices::openUrl(url);  // a failure is never reported
}

void TQtUserInterface::ProcessPendingEvents() { QCoreApplication::processEvents(); }
