// The main of the tests that play to a PulseAudio null sink.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <cstdlib>

// A PulseAudio daemon with a null sink in this test's runtime folder, unless the test
// command has one; without pulseaudio the player plays to its clocked silent output.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QProcess* pulse = nullptr;
    if (const char* s = std::getenv("KEZ_PULSE_SERVER")) {
        setenv("PULSE_SERVER", s, 1);
    } else if (!QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() &&
               !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pulse/native");
        pulse = new QProcess;
        pulse->setStandardOutputFile(QProcess::nullDevice());
        pulse->setStandardErrorFile(QProcess::nullDevice());
        pulse->start(QStringLiteral("pulseaudio"),
                     {"--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                      "--load=module-null-sink sink_name=nullsink", "--load=module-native-protocol-unix"});
        QElapsedTimer t;
        t.start();
        while (pulse->state() != QProcess::NotRunning && !QFileInfo::exists(socket) && t.elapsed() < 10000)
            QThread::msleep(50);
        if (QFileInfo::exists(socket))
            setenv("PULSE_SERVER", ("unix:" + socket).toUtf8().constData(), 1);
        else
            fprintf(stderr, "no PulseAudio null sink: playing to the silent output\n");
    }
    const int rc = RUN_ALL_TESTS();
    if (pulse) {
        pulse->terminate();
        if (!pulse->waitForFinished(5000)) pulse->kill();
        pulse->waitForFinished(2000);
        delete pulse;
    }
    return rc;
}
