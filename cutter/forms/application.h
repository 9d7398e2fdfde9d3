// The program's application object. An error that escapes an event or slot handler ends
// that command only: it is shown in the program's error box and the event loop goes on.
#pragma once

#include <QApplication>
#include <functional>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Where an escaped error's text goes. The main window routes it to its own message
    // boxes while it lives; with no reporter set, a plain error box owned by the active
    // window shows it. An empty function restores that default.
    static void SetErrorReporter(std::function<void(const QString&)> report);
    static void ReportError(const QString& text);
};
