// What the command-line front end's jobs share: error lines on standard error, a user
// interface that answers no question, and the writer configuration from the stored
// quality parameters.
#pragma once

#include <QString>
#include <functional>

#include "FormatCode.h"
#include "OutputSettings.h"
#include "UserInterface.h"

class TProgramComponents;

namespace cli {

// "tarvelcut: " and the text, on standard error.
void PrintError(const QString& text);

// True for a regular file; otherwise says why not ("no such file", "not a regular file":
// a FIFO would block the reader forever) and answers false.
bool CheckInputFile(const QString& path);

// Messages go to standard error; questions are answered No, nothing is opened.
class TConsoleUi : public IUserInterface {
public:
    void ShowMessage(const QString& text, const QString&, TMessageKind) override { PrintError(text); }
    bool Ask(const QString&, const QString&) override { return false; }
    bool ChooseFolder(QString&, const QString&, const QString&) override { return false; }
    void ShellExecute(const QString&, const QString&) override {}
    void ProcessPendingEvents() override {}
};

// The job's writer configuration on `pc`'s writers with `params`; errors reach `ui`. The
// WMA format list is the one `pc` created, or an empty one. `pc` and `ui` must outlive it.
std::function<bool(workflow::FormatCode)> WriterConfiguration(TProgramComponents& pc,
                                                              const TOutputParams& params,
                                                              IUserInterface& ui);

}  // namespace cli
