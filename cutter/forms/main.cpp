// TarvelCutter: the program's entry. Files named on the command line are opened: one as the
// cut page's source, several as the merge list.
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>

#include "app/ComponentSet.h"
#include "app/UserInterface.h"
#include "application.h"
#include "cutPage.h"
#include "mainForm.h"
#include "mergePage.h"
#include "settings/AppPaths.h"
#include "translations.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TarvelCutter"));
    QApplication::setApplicationDisplayName(AppTitle);
    QApplication::setApplicationVersion(QStringLiteral(KEZ_VERSION));
    InstallTranslations(QLocale(), QApplication::applicationDirPath(), &app);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Cuts audio files into pieces and joins files into one."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QCoreApplication::translate("main", "One file opens as the source to cut; several go to the merge list."),
        QStringLiteral("[FILE...]"));
    parser.process(app);
    QStringList files;
    for (const QString& f : parser.positionalArguments()) files << QFileInfo(f).absoluteFilePath();

    TfrmMain frmMain(CreateProgramComponents(), DefaultAppPaths());
    // Shown before the components are made, so a component that cannot be created is
    // reported over the window rather than before any window appears.
    frmMain.show();
    frmMain.Start();
    frmMain.OpenFiles(files);
    return app.exec();
}
