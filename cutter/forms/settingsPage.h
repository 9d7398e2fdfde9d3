// The settings page: the general options shared by both jobs and the output quality
// parameters of each format. The page edits the main window's stored parameters; showing
// a format never changes them.
#pragma once

#include <QWidget>

#include "settings/OutputSettings.h"

class IUserInterface;
class IWmaFormatList;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QStackedWidget;

class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    TSettingsPage(TOutputParams& params, IUserInterface& ui, QWidget* parent = nullptr);

    // The WMA list the panel reads; null while none exists (the WMA box stays empty).
    void SetWmaFormatList(IWmaFormatList* list) { wma_ = list; }

    // Selects the stored page format in the radio group and rebuilds the panel once.
    void SelectStoredFormat();
    // Rebuilds the panel for the format chosen in the radio group.
    void RebuildPanel(int format);

    QCheckBox* chkPromptexist = nullptr;
    QCheckBox* chkShowSucc = nullptr;
    QCheckBox* chkOpenDest = nullptr;
    QCheckBox* chkCopyAudio = nullptr;  // off: every output is encoded
    QGroupBox* CheckListBox = nullptr;
    QButtonGroup* CheckList = nullptr;
    QStackedWidget* Noteformat = nullptr;
    QComboBox* cmbFrequency = nullptr;
    QComboBox* cmbChannel = nullptr;
    QLabel* lblBitrate = nullptr;
    QComboBox* cmbBitrate = nullptr;
    QLabel* lblBitrateNote = nullptr;  // which bitrate a job uses, when the chosen one cannot be honoured
    QComboBox* cmbWMAQuality = nullptr;

private:
    int ChosenFormat() const;
    void FillBox(QComboBox* box, const TPanelBox& content);
    void UpdateBitrateNote(int format);

    TOutputParams& params_;
    IUserInterface& ui_;
    IWmaFormatList* wma_ = nullptr;
};
