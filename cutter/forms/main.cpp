// TarvelCutter: the program's entry. It takes no command-line arguments.
#include <QApplication>

#include "AppPaths.h"
#include "ComponentSet.h"
#include "UserInterface.h"
#include "mainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TarvelCutter"));
    QApplication::setApplicationDisplayName(AppTitle);

    TfrmMain frmMain(CreateProgramComponents(), DefaultAppPaths());
    frmMain.Start();
    frmMain.show();
    return app.exec();
}
