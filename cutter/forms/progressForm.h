// The progress window of the cut and merge jobs: the current file with its bar, the job's
// total with its bar, and Cancel, which sends the host window its cancel message. It lives
// for one job; the host window is disabled while it shows.
#pragma once

#include <QDialog>

#include "workflow/JobHost.h"

class IUserInterface;
class QLabel;
class QProgressBar;
class QPushButton;
class TPageHost;

class Tfrmprogress : public QDialog, public workflow::JobHost {
    Q_OBJECT
public:
    explicit Tfrmprogress(TPageHost* main);
    ~Tfrmprogress() override;

    void BeginProgress(const QString& caption) override;
    void EndProgress() override;
    void SetFileLabel(const QString& text) override;
    void SetFileProgress(int percent) override;
    void SetTotal(const QString& label, int percent) override;
    void ProcessEvents() override;
    bool Cancelled() const override;
    bool AskYesNo(const QString& caption, const QString& text) override;
    void ShowInformation(const QString& caption, const QString& text) override;
    void ShowMessage(const QString& text) override;
    void ExploreFolder(const QString& folder) override;

    QLabel* lblFilename = nullptr;
    QProgressBar* pbFile = nullptr;
    QLabel* lblTotal = nullptr;
    QProgressBar* PbTotal = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TPageHost* main_;
    bool shown_ = false;
};
