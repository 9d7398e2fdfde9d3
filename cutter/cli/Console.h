// What the command-line front end's jobs share: error lines on standard error, a user
// interface that answers no question, and the writer configuration from the stored
// quality parameters.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

#include "app/UserInterface.h"
#include "settings/OutputSettings.h"
#include "workflow/FormatCode.h"

class TProgramComponents;

namespace cli {

// "tarvelcut: " and the text, on standard error.
void PrintError(const QString& text);

// The progress line of a job on a terminal: a bar, the part being written, the time spent,
// the speed (audio time per wall time, when the job's audio length is known) and the time
// left. Draws nothing when disabled (not a terminal, or -q).
class TProgressLine {
public:
    // `parts`: how many files the job writes or reads; `audioMs`: the audio they hold (0: unknown).
    TProgressLine(bool enabled, int parts, std::int64_t audioMs);
    void SetFile(const QString& path);  // the next part begins
    void SetFilePercent(int percent);
    void SetTotal(const QString& label) { total_ = label.trimmed(); }
    void Finish();  // ends the line

private:
    void Draw();
    bool enabled_;
    int parts_, index_ = -1, percent_ = 0;
    std::int64_t audioMs_;
    QString file_, total_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

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
// A bitrate the encoder cannot honour is told once on standard output, with the one used.
std::function<bool(workflow::FormatCode)> WriterConfiguration(TProgramComponents& pc,
                                                              const TOutputParams& params,
                                                              IUserInterface& ui);

}  // namespace cli
