#include "cutPage.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "JobAdapters.h"
#include "ProgramComponents.h"
#include "UserInterface.h"
#include "WriterConfig.h"
#include "mainForm.h"
#include "workflow/CutJob.h"
#include "workflow/TimeText.h"

namespace {

// The progress window of a job; its Cancel sets the main window's cancel flag.
class TQtJobHost : public workflow::JobHost {
public:
    explicit TQtJobHost(TfrmMain& main) : main_(main) {}
    ~TQtJobHost() override { EndProgress(); }

    void BeginProgress(const QString& caption) override {
        main_.CancelFlag = false;
        dlg_ = new QDialog(&main_, Qt::Dialog | Qt::WindowTitleHint);
        dlg_->setWindowTitle(caption);
        auto* v = new QVBoxLayout(dlg_);
        lblFilename_ = new QLabel(QStringLiteral("Current Process:"), dlg_);
        pbFile_ = new QProgressBar(dlg_);
        lblTotal_ = new QLabel(QStringLiteral("Total Process: "), dlg_);
        pbTotal_ = new QProgressBar(dlg_);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), dlg_);
        QObject::connect(cancel, &QPushButton::clicked, [this] { main_.CancelFlag = true; });
        for (QWidget* w : {static_cast<QWidget*>(lblFilename_), static_cast<QWidget*>(pbFile_),
                           static_cast<QWidget*>(lblTotal_), static_cast<QWidget*>(pbTotal_),
                           static_cast<QWidget*>(cancel)})
            v->addWidget(w);
        dlg_->resize(420, 170);
        main_.setEnabled(false);
        dlg_->setEnabled(true);
        dlg_->show();
        dlg_->activateWindow();
    }
    void EndProgress() override {
        if (!dlg_) return;
        main_.setEnabled(true);
        main_.activateWindow();
        delete dlg_;
        dlg_ = nullptr;
    }
    void SetFileLabel(const QString& text) override {
        if (lblFilename_) lblFilename_->setText(QStringLiteral("Current Process: ") + text);
    }
    void SetFileProgress(int percent) override {
        if (pbFile_) pbFile_->setValue(percent);
    }
    void SetTotal(const QString& label, int percent) override {
        if (lblTotal_) lblTotal_->setText(QStringLiteral("Total Process: ") + label);
        if (pbTotal_) pbTotal_->setValue(percent);
    }
    void ProcessEvents() override { main_.UI().ProcessPendingEvents(); }
    bool Cancelled() const override { return main_.CancelFlag; }
    bool AskYesNo(const QString& caption, const QString& text) override { return main_.UI().Ask(text, caption); }
    void ShowInformation(const QString& caption, const QString& text) override {
        main_.UI().ShowMessage(text, caption, TMessageKind::Information);
    }
    void ShowMessage(const QString& text) override { main_.UI().ShowMessage(text, QString()); }
    void ExploreFolder(const QString& folder) override { main_.UI().ShellExecute(QStringLiteral("explore"), folder); }

private:
    TfrmMain& main_;
    QDialog* dlg_ = nullptr;
    QLabel* lblFilename_ = nullptr;
    QLabel* lblTotal_ = nullptr;
    QProgressBar* pbFile_ = nullptr;
    QProgressBar* pbTotal_ = nullptr;
};

// A button with its own caption that runs an action and follows its enabling.
QPushButton* ActionButton(QWidget* parent, QAction* action, const QString& caption, int x, int y, int w) {
    auto* b = new QPushButton(caption, parent);
    b->setGeometry(x, y, w, 26);
    b->setEnabled(action->isEnabled());
    QObject::connect(b, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
    return b;
}

}  // namespace

TCutPage::TCutPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabSplit"));
    setAcceptDrops(true);

    grpWork = new QGroupBox(QStringLiteral("Audio Splitter"), this);
    grpWork->setObjectName(QStringLiteral("grpSplitter"));
    grpWork->setGeometry(8, 6, 716, 410);

    auto* srcLabel = new QLabel(QStringLiteral("Source File:"), grpWork);
    srcLabel->setGeometry(10, 24, 80, 22);
    edtSourceFile = new QLineEdit(grpWork);
    edtSourceFile->setObjectName(QStringLiteral("edtSourceFile"));
    edtSourceFile->setReadOnly(true);
    edtSourceFile->setGeometry(92, 22, 580, 24);
    btnSourceFile = new QToolButton(grpWork);
    btnSourceFile->setText(QStringLiteral("..."));
    btnSourceFile->setToolTip(QStringLiteral("Select Source File"));
    btnSourceFile->setGeometry(676, 22, 28, 24);

    lblInfo = new QLabel(QStringLiteral("Audio Information: -"), grpWork);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setGeometry(10, 52, 696, 22);

    TrackBar = new QSlider(Qt::Horizontal, grpWork);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setRange(0, 100);
    TrackBar->setGeometry(10, 80, 696, 26);
    lblPos = new QLabel(QStringLiteral("Current Position:"), grpWork);
    lblPos->setObjectName(QStringLiteral("lblPos"));
    lblPos->setGeometry(10, 108, 696, 22);

    gridSplit = new QTableView(grpWork);
    gridSplit->setObjectName(QStringLiteral("gridSplit"));
    gridSplit->setModel(&Segments);
    gridSplit->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridSplit->setSelectionMode(QAbstractItemView::SingleSelection);
    gridSplit->verticalHeader()->hide();
    gridSplit->setGeometry(10, 170, 696, 230);
    gridSplit->setColumnWidth(workflow::colCheck, 20);
    gridSplit->setColumnWidth(workflow::colFormat, 120);
    gridSplit->setColumnWidth(workflow::colYear, 60);

    auto* label = new QLabel(QStringLiteral("Target Folder:"), this);
    label->setGeometry(12, 432, 90, 22);
    edtSplitFolder = new QLineEdit(this);
    edtSplitFolder->setObjectName(QStringLiteral("edtSplitFolder"));
    edtSplitFolder->setGeometry(104, 430, 440, 24);
    label->setBuddy(edtSplitFolder);
    btnSplitFolder = new QToolButton(this);
    btnSplitFolder->setObjectName(QStringLiteral("btnSplitFolder"));
    btnSplitFolder->setText(QStringLiteral("..."));
    btnSplitFolder->setToolTip(QStringLiteral("Select Target Folder"));
    btnSplitFolder->setGeometry(546, 430, 28, 24);

    connect(TrackBar, &QSlider::valueChanged, this, [this] { RefreshPosition(); });
}

void TCutPage::Bind(TfrmMain* main) {
    main_ = main;
    ActionButton(grpWork, main->ActSetStart, QStringLiteral("Start"), 10, 136, 70);
    ActionButton(grpWork, main->ActSetEnd, QStringLiteral("End"), 86, 136, 70);
    ActionButton(grpWork, main->ActAdd, QStringLiteral("Add"), 162, 136, 70);
    ActionButton(grpWork, main->ActDelsplite, QStringLiteral("Delete"), 238, 136, 90);
    auto* cutNow = ActionButton(this, main->ActSplit, QStringLiteral("Cut Now!"), 600, 429, 110);
    cutNow->setObjectName(QStringLiteral("btnSplit"));

    connect(btnSourceFile, &QToolButton::clicked, main->ActSelectSource, &QAction::trigger);
    connect(main->ActSelectSource, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Select Source File"), QString(),
                                                          QStringLiteral("Audio files (*.mp3 *.ogg *.wav *.wma)"));
        if (!path.isEmpty()) LoadSource(path);
    });
    connect(main->ActSetStart, &QAction::triggered, this, [this] {
        Segments.SetStartMark(TrackBar->value());
        RefreshPosition();
    });
    connect(main->ActSetEnd, &QAction::triggered, this, [this] {
        Segments.SetEndMark(TrackBar->value());
        RefreshPosition();
    });
    connect(main->ActAdd, &QAction::triggered, this, [this] {
        if (!Segments.Add())
            main_->UI().ShowMessage(QStringLiteral("End position must be larger than start position."), QString());
    });
    connect(main->ActDelsplite, &QAction::triggered, this, [this] { Segments.DeleteRow(SelectedRow()); });
    connect(main->ActSplit, &QAction::triggered, this, [this] { CutNow(); });

    const auto sourceLoaded = [this] { return TrackBar->maximum() > 100; };
    main->SetActionUpdate(main->ActSelectSource, [] { return true; });
    main->SetActionUpdate(main->ActSetStart, sourceLoaded);
    main->SetActionUpdate(main->ActSetEnd, sourceLoaded);
    main->SetActionUpdate(main->ActAdd, sourceLoaded);
    main->SetActionUpdate(main->ActDelsplite, [this] { return SelectedRow() >= 0; });
    main->SetActionUpdate(main->ActSplit, [this] {
        return QFileInfo(edtSourceFile->text()).isFile() && Segments.rowCount() > 0;
    });
}

int TCutPage::SelectedRow() const {
    const QModelIndexList rows = gridSplit->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TCutPage::RefreshPosition() {
    using workflow::TimeText;
    lblPos->setText(QStringLiteral("Current Position: ") + TimeText(TrackBar->value()) + QStringLiteral(" ( Start: ") +
                    TimeText(Segments.StartMark()) + QStringLiteral(" - End: ") + TimeText(Segments.EndMark()) +
                    QStringLiteral(" ) "));
}

bool TCutPage::LoadSource(const QString& path) {
    auto* pc = main_ ? dynamic_cast<TProgramComponents*>(&main_->Components()) : nullptr;
    const workflow::FormatCode in = workflow::FormatFromFileName(path);
    if (!pc || in == workflow::fcUnknown) {
        if (main_)
            main_->UI().ShowMessage(QStringLiteral("%1 is not an MP3, Ogg Vorbis, WAV or WMA file.").arg(path),
                                    QStringLiteral("Tarvel Free Audio Cutter"), TMessageKind::Information);
        return false;
    }
    try {
        workflow::StreamInfo s;
        int bitrate = 0;
        if (in == workflow::fcWma) {
            TWmaReaderAdapter r(pc->Wrappers.WmaSourceReader);
            r.Open(path);
            s = r.Info();
            bitrate = pc->Wrappers.WmaSourceReader.AudioInfo().Bitrate();
            r.Close();
        } else {
            TFileReaderAdapter r(pc->Wrappers.SourceReader);
            r.Open(path);
            s = r.Info();
            bitrate = pc->Wrappers.SourceReader.AudioInfo().Bitrate();
            r.Close();
        }
        const workflow::SourceTags tags =
            ReadSourceTags(pc->Wrappers.TagEditor, pc->Wrappers.WmaTagReader, path, in);
        edtSourceFile->setText(path);
        DurationText = workflow::TimeText(s.duration);
        lblInfo->setText(QStringLiteral("Audio Information: %1 Hz, %2 channel(s), %3 kbps, duration %4")
                             .arg(s.sampleRate)
                             .arg(s.channels)
                             .arg(bitrate)
                             .arg(DurationText));
        Segments.LoadSource(path, s.duration, tags);
        TrackBar->setRange(0, static_cast<int>(std::min<std::int64_t>(s.duration, INT32_MAX)));
        TrackBar->setValue(0);
        RefreshPosition();
        return true;
    } catch (const std::exception& e) {
        main_->UI().ShowMessage(QString::fromUtf8(e.what()), QString(), TMessageKind::Error);
        return false;
    }
}

void TCutPage::CutNow() {
    auto* pc = dynamic_cast<TProgramComponents*>(&main_->Components());
    if (!pc) return;
    TFileReaderAdapter reader(pc->Wrappers.SourceReader);
    TWmaReaderAdapter wmaReader(pc->Wrappers.WmaSourceReader);
    TFileWriterAdapter writer(pc->Wrappers.OutputWriter);
    TWmaWriterAdapter wmaWriter(pc->Wrappers.WmaOutputWriter);
    TTagWriterAdapter tags(pc->Wrappers.TagEditor);
    workflow::JobComponents c;
    c.reader = &reader;
    c.wmaReader = &wmaReader;
    c.writer = &writer;
    c.wmaWriter = &wmaWriter;
    c.tags = &tags;
    c.configureWriter = [this](workflow::FormatCode code) {
        return main_->ConfigureWriter(static_cast<FormatCode>(code));
    };
    const TSettingsValues v = main_->CollectSettings();
    workflow::JobOptions o;
    o.promptOverwrite = v.promptExist;
    o.showSuccess = v.showSucc;
    o.openDestination = v.openFolder;
    TQtJobHost host(*main_);
    try {
        workflow::RunCutJob(edtSourceFile->text(), Segments, edtSplitFolder->text(), o, c, host);
    } catch (const std::exception& e) {
        main_->UI().ShowMessage(QString::fromUtf8(e.what()), QString(), TMessageKind::Error);
    }
}
