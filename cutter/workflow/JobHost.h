// What a job needs of the place it runs in: the progress window, questions, messages,
// the desktop's folder opener and the handling of pending events. The GUI, the
// command-line front end and the tests each provide one.
#pragma once

#include <QString>

namespace workflow {

class JobHost {
public:
    virtual ~JobHost() = default;

    // Shows the progress window (the main window is disabled meanwhile) and clears the
    // cancel flag; EndProgress closes it and gives the main window back.
    virtual void BeginProgress(const QString& caption) = 0;
    virtual void EndProgress() = 0;
    virtual void SetFileLabel(const QString& text) = 0;
    virtual void SetFileProgress(int percent) = 0;
    virtual void SetTotal(const QString& label, int percent) = 0;

    // Lets pending window messages be handled; a press of Cancel sets the flag here.
    virtual void ProcessEvents() = 0;
    virtual bool Cancelled() const = 0;

    // "Confirm Overwrite" style question; true for Yes.
    virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
    // Information box ("Success", or a notice with the product title as caption).
    virtual void ShowInformation(const QString& caption, const QString& text) = 0;
    // Plain message box.
    virtual void ShowMessage(const QString& text) = 0;
    // Shell "explore" of a folder.
    virtual void ExploreFolder(const QString& folder) = 0;
};

}  // namespace workflow
