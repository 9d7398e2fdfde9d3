// TarvelCutter: the program's entry. It takes no command-line arguments.
#include "AppPaths.h"
#include "ComponentSet.h"
#include "UserInterface.h"
#include "application.h"
#include "mainForm.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TarvelCutter"));
    QApplication::setApplicationDisplayName(AppTitle);

    TfrmMain frmMain(CreateProgramComponents(), DefaultAppPaths());
    // Shown before the components are made, so a component that cannot be created is
    // reported over the window rather than before any window appears.
    frmMain.show();
    frmMain.Start();
    return app.exec();
}
