#include "application.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>

#include "app/UserInterface.h"

namespace {

std::function<void(const QString&)>& Reporter() {
    static std::function<void(const QString&)> report;
    return report;
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
    } catch (...) {
        ReportError(QCoreApplication::translate("TApplication", "Unexpected error."));
    }
    return true;  // the event was handled, by failing
}

void TApplication::SetErrorReporter(std::function<void(const QString&)> report) { Reporter() = std::move(report); }

void TApplication::ReportError(const QString& text) {
    // Reporting must not throw back into the event loop.
    try {
        if (Reporter()) {
            Reporter()(text);
            return;
        }
        QMessageBox::critical(QApplication::activeWindow(), AppTitle, text);
    } catch (...) {
    }
}
