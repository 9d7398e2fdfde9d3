// A user interface that records the messages shown, for the dialog's tests.
#pragma once

#include <vector>

#include "app/UserInterface.h"

class TRecordingUi : public IUserInterface {
public:
    struct TMessage {
        QString text, caption;
        TMessageKind kind;
    };
    void ShowMessage(const QString& text, const QString& caption, TMessageKind kind) override {
        messages.push_back({text, caption, kind});
    }
    bool Ask(const QString&, const QString&) override { return false; }
    bool ChooseFolder(QString&, const QString&, const QString&) override { return false; }
    void ShellExecute(const QString&, const QString&) override {}
    void ProcessPendingEvents() override {}

    std::vector<TMessage> messages;
};
