#include "settingsPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <exception>

#include "app/UserInterface.h"

namespace {

QComboBox* PickList(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(false);
    return box;
}

}  // namespace

TSettingsPage::TSettingsPage(TOutputParams& params, IUserInterface& ui, QWidget* parent)
    : QWidget(parent), params_(params), ui_(ui) {
    setObjectName(QStringLiteral("tabSettings"));

    // General Settings.
    auto* general = new QGroupBox(tr("General Settings"), this);
    general->setObjectName(QStringLiteral("grpGeneral"));
    general->setGeometry(16, 12, 700, 152);
    chkPromptexist = new QCheckBox(tr("Prompt before overwriting existing files"), general);
    chkPromptexist->setObjectName(QStringLiteral("chkPromptexist"));
    chkPromptexist->setGeometry(20, 26, 400, 22);
    auto* whenDone = new QLabel(tr("When completed:"), general);
    whenDone->setGeometry(20, 54, 300, 20);
    chkShowSucc = new QCheckBox(tr("Show 'Success' window"), general);
    chkShowSucc->setObjectName(QStringLiteral("chkShowSucc"));
    chkShowSucc->setGeometry(40, 76, 380, 22);
    chkShowSucc->setChecked(true);
    chkOpenDest = new QCheckBox(tr("Open destination folder"), general);
    chkOpenDest->setObjectName(QStringLiteral("chkOpenDest"));
    chkOpenDest->setGeometry(40, 100, 380, 22);
    chkCopyAudio = new QCheckBox(tr("Copy audio without re-encoding when the output format is the source's"),
                                 general);
    chkCopyAudio->setObjectName(QStringLiteral("chkCopyAudio"));
    chkCopyAudio->setGeometry(20, 124, 600, 22);

    // Output Quality Settings.
    auto* quality = new QGroupBox(tr("Output Quality Settings"), this);
    quality->setObjectName(QStringLiteral("grpQuality"));
    quality->setGeometry(16, 176, 700, 180);
    auto* formatLabel = new QLabel(tr("Format:"), quality);
    formatLabel->setGeometry(20, 30, 60, 20);

    CheckListBox = new QGroupBox(quality);
    CheckListBox->setObjectName(QStringLiteral("CheckList"));
    CheckListBox->setGeometry(84, 22, 220, 140);
    CheckList = new QButtonGroup(this);
    auto* radios = new QVBoxLayout(CheckListBox);
    const QStringList& names = PageFormatNames();
    for (int i = 0; i < names.size(); ++i) {
        auto* rd = new QRadioButton(names[i], CheckListBox);
        rd->setObjectName(QStringLiteral("rdFormat%1").arg(i));
        CheckList->addButton(rd, i);
        radios->addWidget(rd);
    }

    Noteformat = new QStackedWidget(quality);
    Noteformat->setObjectName(QStringLiteral("Noteformat"));
    Noteformat->setGeometry(316, 22, 372, 140);

    auto* firstPage = new QWidget(Noteformat);
    auto* freqLabel = new QLabel(tr("&Sampling Frequency:"), firstPage);
    freqLabel->setGeometry(6, 14, 130, 22);
    cmbFrequency = PickList(firstPage, "cmbFrequency");
    cmbFrequency->setGeometry(6, 38, 110, 24);
    freqLabel->setBuddy(cmbFrequency);
    auto* chLabel = new QLabel(tr("&Channels Mode:"), firstPage);
    chLabel->setGeometry(6, 74, 130, 22);
    cmbChannel = PickList(firstPage, "cmbChannel");
    cmbChannel->setGeometry(6, 98, 170, 24);
    chLabel->setBuddy(cmbChannel);
    lblBitrate = new QLabel(tr("Bitrate:"), firstPage);
    lblBitrate->setObjectName(QStringLiteral("lblBitrate"));
    lblBitrate->setGeometry(226, 40, 72, 20);
    cmbBitrate = PickList(firstPage, "cmbBitrate");
    cmbBitrate->setGeometry(282, 38, 80, 24);
    lblBitrate->setBuddy(cmbBitrate);
    lblBitrateNote = new QLabel(firstPage);
    lblBitrateNote->setObjectName(QStringLiteral("lblBitrateNote"));
    lblBitrateNote->setGeometry(190, 66, 176, 70);
    lblBitrateNote->setWordWrap(true);
    lblBitrateNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Noteformat->addWidget(firstPage);

    auto* wmaPage = new QWidget(Noteformat);
    cmbWMAQuality = PickList(wmaPage, "cmbWMAQuality");
    cmbWMAQuality->setGeometry(6, 38, 350, 24);
    Noteformat->addWidget(wmaPage);

    connect(CheckList, &QButtonGroup::idClicked, this, [this](int id) {
        params_.outFormat = id;
        RebuildPanel(id);
    });
    connect(cmbFrequency, &QComboBox::activated, this, [this](int i) {
        FrequencyChosen(params_, ChosenFormat(), i);
        UpdateBitrateNote(ChosenFormat());
    });
    connect(cmbChannel, &QComboBox::activated, this, [this](int i) {
        ChannelChosen(params_, ChosenFormat(), i);
        UpdateBitrateNote(ChosenFormat());
    });
    connect(cmbBitrate, &QComboBox::activated, this, [this](int i) {
        ThirdChosen(params_, ChosenFormat(), i);
        UpdateBitrateNote(ChosenFormat());
    });
    connect(cmbWMAQuality, &QComboBox::activated, this, [this](int i) { WmaQualityChosen(params_, i); });
}

int TSettingsPage::ChosenFormat() const { return CheckList->checkedId(); }

void TSettingsPage::FillBox(QComboBox* box, const TPanelBox& content) {
    box->clear();
    box->addItems(content.items);
    box->setCurrentIndex(content.selected);
}

void TSettingsPage::SelectStoredFormat() {
    // A stored format that names no item shows the first one; the stored value stays until
    // the user picks a format.
    int format = params_.outFormat;
    if (!CheckList->button(format))
        format = pfMp3;
    CheckList->button(format)->setChecked(true);
    RebuildPanel(format);
}

void TSettingsPage::RebuildPanel(int format) {
    TPanelView view;
    try {
        view = BuildPanel(format, params_, wma_);
    } catch (const std::exception& e) {
        // The list could not be read from the component: show the page without it.
        view = BuildPanel(format, params_, nullptr);
        ui_.ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
    }
    Noteformat->setCurrentIndex(view.page);
    if (view.page == 0) {
        FillBox(cmbFrequency, view.frequency);
        FillBox(cmbChannel, view.channel);
        FillBox(cmbBitrate, view.third);
        lblBitrate->setText(view.thirdLabel);
        lblBitrate->move(view.thirdLabelLeft, lblBitrate->y());
        UpdateBitrateNote(format);
    } else {
        FillBox(cmbWMAQuality, view.wmaQuality);
    }
}

void TSettingsPage::UpdateBitrateNote(int format) {
    QString note = BitrateNote(format, params_);
    // Keep each number with its unit when the note wraps.
    note.replace(QStringLiteral(" Hz"), QStringLiteral("\u00A0Hz")).replace(QStringLiteral(" kbps"), QStringLiteral("\u00A0kbps"));
    lblBitrateNote->setText(note);
    lblBitrateNote->setVisible(!note.isEmpty());
}
