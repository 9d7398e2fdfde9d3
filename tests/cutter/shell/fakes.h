// Recording stand-ins for the components and the user interface of the program.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

#include "app/ComponentInterfaces.h"
#include "app/ComponentSet.h"
#include "app/UserInterface.h"

// Everything a fake is asked, in order, as text ("SetMp3Format 44100 256 2").
struct TCallLog {
    QStringList calls;
    void Add(const QString& call) { calls << call; }
};

class TFakeWmaList : public IWmaFormatList {
public:
    TFakeWmaList(TCallLog& log, int count) : log_(log), count_(count) {}
    void SetFormatGroup(int group) override { log_.Add(QStringLiteral("FormatGroup %1").arg(group)); }
    int FormatCount() override {
        log_.Add(QStringLiteral("FormatCount"));
        if (failCount)
            throw std::runtime_error("format list broken");
        return count_;
    }
    void SetFormatIndex(int index) override {
        log_.Add(QStringLiteral("FormatIndex %1").arg(index));
        if (index < 0 || index >= count_)
            throw std::runtime_error("Format index out of range");
        index_ = index;
    }
    QString FormatName() override { return QStringLiteral("WMA format %1").arg(index_); }
    bool failCount = false;

private:
    TCallLog& log_;
    int count_;
    int index_ = 0;
};

class TFakeWriter : public IAudioWriterFormat, public IWmaWriterFormat {
public:
    explicit TFakeWriter(TCallLog& log) : log_(log) {}
    void SetMp3Format(int sr, int br, int ch) override { Record(QStringLiteral("SetMp3Format %1 %2 %3").arg(sr).arg(br).arg(ch)); }
    void SetOggFormat(int sr, int ch, int br, int a, int b, int c) override {
        Record(QStringLiteral("SetOggFormat %1 %2 %3 %4 %5 %6").arg(sr).arg(ch).arg(br).arg(a).arg(b).arg(c));
    }
    void SetWavFormat(int sr, int ch, int bits, int flags) override {
        Record(QStringLiteral("SetWavFormat %1 %2 %3 %4").arg(sr).arg(ch).arg(bits).arg(flags));
    }
    void SetFormat(IWmaFormatList&) override { Record(QStringLiteral("SetFormat")); }
    QString failWith;  // non-empty: every call raises this text

private:
    void Record(const QString& call) {
        log_.Add(call);
        if (!failWith.isEmpty())
            throw std::runtime_error(failWith.toStdString());
    }
    TCallLog& log_;
};

class TFakePlayer : public IAudioPlayer {
public:
    TFakePlayer(TCallLog& log, QString name, TPlayerEvents events)
        : events(std::move(events)), log_(log), name_(std::move(name)) {}
    void SetStartMode(int mode) override { log_.Add(name_ + QStringLiteral(" StartMode %1").arg(mode)); }
    void Start(int sr, int ch, int bits, int flags) override {
        log_.Add(name_ + QStringLiteral(" Start %1 %2 %3 %4").arg(sr).arg(ch).arg(bits).arg(flags));
        playing = true;
    }
    void PlayArray(const VARIANT& block) override {
        log_.Add(name_ + QStringLiteral(" PlayArray"));
        if (onArray) onArray(block);
    }
    std::function<void(const VARIANT&)> onArray;  // sees every block it is given
    void Stop() override {
        log_.Add(name_ + QStringLiteral(" Stop"));
        playing = false;
    }
    bool Playing() override { return playing; }

    bool playing = false;
    TPlayerEvents events;

private:
    TCallLog& log_;
    QString name_;
};

// A component set whose start-up steps are logged.
class TFakeComponents : public IComponentSet {
public:
    TFakeComponents(TCallLog& log, int wmaCount) : log_(log), wmaCount_(wmaCount), writer_(log) {}
    void CreateWmaFormatSettings() override {
        log_.Add(QStringLiteral("create WmaFormatSettings"));
        if (failWma)
            throw std::runtime_error("Class not registered");
        wma_ = std::make_unique<TFakeWmaList>(log_, wmaCount_);
    }
    void ConstructFileComponents() override { log_.Add(QStringLiteral("construct file components")); }
    void ConstructPlayers(TPlayerEvents merge, TPlayerEvents cut) override {
        log_.Add(QStringLiteral("construct players"));
        merge_ = std::make_unique<TFakePlayer>(log_, QStringLiteral("MergePlayer"), std::move(merge));
        cut_ = std::make_unique<TFakePlayer>(log_, QStringLiteral("CutPlayer"), std::move(cut));
    }
    IAudioPlayer* CutPlayer() override { return cut_.get(); }
    IAudioPlayer* MergePlayer() override { return merge_.get(); }
    TFakePlayer& Cut() { return *cut_; }
    TFakePlayer& Merge() { return *merge_; }
    IWmaFormatList* WmaFormatSettings() override { return wma_.get(); }
    IAudioWriterFormat& OutputWriter() override { return writer_; }
    IWmaWriterFormat& WmaOutputWriter() override { return writer_; }
    TFakeWriter& Writer() { return writer_; }
    TFakeWmaList* Wma() { return wma_.get(); }
    bool failWma = false;

private:
    TCallLog& log_;
    int wmaCount_;
    TFakeWriter writer_;
    std::unique_ptr<TFakeWmaList> wma_;
    std::unique_ptr<TFakePlayer> merge_, cut_;
};

class TFakeUi : public IUserInterface {
public:
    struct TMessage {
        QString text, caption;
        TMessageKind kind;
    };
    void ShowMessage(const QString& text, const QString& caption, TMessageKind kind) override {
        messages.push_back({text, caption, kind});
    }
    bool Ask(const QString& text, const QString&) override {
        questions << text;
        return answer;
    }
    bool ChooseFolder(QString& path, const QString& title, const QString& root) override {
        folderRequests << title + QStringLiteral("|") + root + QStringLiteral("|") + path;
        if (chosenFolder.isEmpty())
            return false;
        path = chosenFolder;
        return true;
    }
    void ShellExecute(const QString& verb, const QString& target) override { shell << verb + QStringLiteral(" ") + target; }
    void ProcessPendingEvents() override {}

    std::vector<TMessage> messages;
    QStringList questions, folderRequests, shell;
    bool answer = true;
    QString chosenFolder;
};
