// The About box.
#pragma once

#include <QDialog>

class IUserInterface;
class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    TfrmAbout(QWidget* owner, IUserInterface& ui);

    QLabel* lblWebsite = nullptr;
    QLabel* lblMail = nullptr;
    QPushButton* btnClose = nullptr;

private:
    IUserInterface& ui_;
};
