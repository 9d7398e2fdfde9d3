// What the program's logic needs from the person at the screen: messages, Yes/No
// questions, the folder chooser and the shell. The forms answer with real dialogs; tests
// and the command-line front end put their own in place.
#pragma once

#include <QString>

inline const QString AppTitle = QStringLiteral("Tarvel Free Audio Cutter");

enum class TMessageKind { Plain, Information, Warning, Error, Question };

class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    // A message box with one OK button.
    virtual void ShowMessage(const QString& text, const QString& caption,
                             TMessageKind kind = TMessageKind::Plain) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool Ask(const QString& text, const QString& caption) = 0;
    // The folder chooser rooted at `root`, opened on `path`; on confirmation the chosen
    // folder goes into `path` and the answer is true.
    virtual bool ChooseFolder(QString& path, const QString& title, const QString& root) = 0;
    // Asks the shell to "open" or "explore" a target (address, mail link or folder).
    // Never reports a failure.
    virtual void ShellExecute(const QString& verb, const QString& target) = 0;
    // Lets pending window messages be handled (repaints, the Cancel button of a job).
    virtual void ProcessPendingEvents() = 0;
};
