// The user interface of the logic, answered with real dialogs owned by a window.
#pragma once

#include "app/UserInterface.h"

class QWidget;

class TQtUserInterface : public IUserInterface {
public:
    explicit TQtUserInterface(QWidget* owner) : owner_(owner) {}

    void ShowMessage(const QString& text, const QString& caption, TMessageKind kind) override;
    bool Ask(const QString& text, const QString& caption) override;
    bool ChooseFolder(QString& path, const QString& title, const QString& root) override;
    void ShellExecute(const QString& verb, const QString& target) override;
    void ProcessPendingEvents() override;

private:
    QWidget* owner_;
};
