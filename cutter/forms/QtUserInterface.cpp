#include "QtUserInterface.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <string>

#include "browseFolder.h"
#include "shell/shell.h"

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
    // Addresses open maximized with the program's folder as working folder; folders are
    // shown normally. The answer of the shell is not examined: nothing is reported.
    const std::u16string v = verb.toStdU16String(), t = target.toStdU16String(),
                         dir = QCoreApplication::applicationDirPath().toStdU16String();
    ::ShellExecuteW(nullptr, v.c_str(), t.c_str(), nullptr, dir.c_str(),
                    verb == QLatin1String("explore") ? SW_SHOWNORMAL : SW_SHOWMAXIMIZED);
}

void TQtUserInterface::ProcessPendingEvents() { QCoreApplication::processEvents(); }
