// The registry of one test: a folder inside the test's temporary folder, in use by this
// process while the object lives. Component modules are registered into it with regsvr.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "registry/registry.h"

class TTestRegistry {
public:
    explicit TTestRegistry(const QString& folder) : path_((folder + "/registry").toUtf8()) {
        QDir().mkpath(QString::fromUtf8(path_));
        PlatformSetRegistryDir(path_.constData());
    }
    ~TTestRegistry() { PlatformSetRegistryDir(nullptr); }
    TTestRegistry(const TTestRegistry&) = delete;
    TTestRegistry& operator=(const TTestRegistry&) = delete;

    const QByteArray& Path() const { return path_; }

    // Registers lib<module>.so of the build's bin folder; a failure fails the test.
    void Register(const QString& module) const {
        const QString bin = qEnvironmentVariable("KEZ_BIN_DIR");
        QProcess regsvr;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PLATFORM_REGISTRY_DIR", QString::fromUtf8(path_));
        regsvr.setProcessEnvironment(env);
        regsvr.start(bin + "/regsvr", {"-s", bin + "/lib" + module + ".so"});
        ASSERT_TRUE(regsvr.waitForFinished(30000)) << module.toStdString();
        ASSERT_EQ(regsvr.exitCode(), 0) << module.toStdString();
    }
    // The modules the program's components come from.
    void RegisterProgramComponents() const {
        for (const char* m : {"KezAudioFormatSettings3", "KezAudioPlayer3", "KezAudioFile3", "KezAudioFileWMA3"})
            Register(QString::fromLatin1(m));
    }

private:
    QByteArray path_;
};
