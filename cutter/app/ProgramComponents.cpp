#include "ProgramComponents.h"

#include <exception>
#include <stdexcept>
#include <string>

namespace {

class TWmaFormatList : public IWmaFormatList {
public:
    explicit TWmaFormatList(TAudioFormatWMA& w) : w_(w) {}
    void SetFormatGroup(int group) override { w_.SetFormatGroup(group); }
    int FormatCount() override { return w_.FormatCount(); }
    void SetFormatIndex(int index) override { w_.SetFormatIndex(index); }
    QString FormatName() override { return QString::fromStdU16String(w_.FormatName()); }
    TAudioFormatWMA& Wrapper() { return w_; }

private:
    TAudioFormatWMA& w_;
};

class TFileWriterFormat : public IAudioWriterFormat {
public:
    explicit TFileWriterFormat(TAudioFile3& w) : w_(w) {}
    void SetMp3Format(int sampleRate, int bitrate, int channelMode) override {
        w_.SetMp3Format(sampleRate, bitrate, channelMode);
    }
    void SetOggFormat(int sampleRate, int channelMode, int bitrate, int a, int b, int c) override {
        w_.SetOggFormat(sampleRate, channelMode, bitrate, a, b, c);
    }
    void SetWavFormat(int sampleRate, int channels, int sampleSize, int flags) override {
        w_.SetWavFormat(sampleRate, channels, sampleSize, flags);
    }

private:
    TAudioFile3& w_;
};

class TWmaWriterFormat : public IWmaWriterFormat {
public:
    explicit TWmaWriterFormat(TAudioFileWMA3& w) : w_(w) {}
    void SetFormat(IWmaFormatList& settings) override {
        // The writer reads the chosen format from the settings object itself.
        auto* list = dynamic_cast<TWmaFormatList*>(&settings);
        if (!list)
            throw std::invalid_argument("The WMA format settings are not a component object.");
        w_.SetFormat(list->Wrapper());
    }

private:
    TAudioFileWMA3& w_;
};

class TPlayer : public IAudioPlayer {
public:
    explicit TPlayer(TAudioPlayer3& w) : w_(w) {}
    void SetStartMode(int mode) override { w_.SetStartMode(mode); }
    void Start(int sampleRate, int channels, int bits, int flags) override { w_.Start(sampleRate, channels, bits, flags); }
    void PlayArray(const VARIANT& block) override { w_.PlayArray(block); }
    void Stop() override { w_.Stop(); }
    bool Playing() override { return w_.Playing(); }

private:
    TAudioPlayer3& w_;
};

}  // namespace

struct TProgramComponents::TViews {
    explicit TViews(TWrappers& w)
        : wmaList(w.WmaFormatSettings),
          outputWriter(w.OutputWriter),
          wmaOutputWriter(w.WmaOutputWriter),
          mergePlayer(w.MergePlayer),
          cutPlayer(w.CutPlayer) {}
    TWmaFormatList wmaList;
    TFileWriterFormat outputWriter;
    TWmaWriterFormat wmaOutputWriter;
    TPlayer mergePlayer, cutPlayer;
    bool wmaCreated = false, mergeCreated = false, cutCreated = false;
};

TProgramComponents::TProgramComponents() : views_(std::make_unique<TViews>(Wrappers)) {}
TProgramComponents::~TProgramComponents() = default;

void TProgramComponents::CreateWmaFormatSettings() {
    Wrappers.WmaFormatSettings.Connect();  // created at once, not at its first use
    views_->wmaCreated = true;
}

void TProgramComponents::ConstructFileComponents() {
    // The readers and writers create their objects when first used; the tag editor is
    // used, and so created, at once.
    Wrappers.TagEditor.SetMode(1);
}

void TProgramComponents::ConstructPlayers(TPlayerEvents mergeEvents, TPlayerEvents cutEvents) {
    // A merge player that cannot be created does not keep the cut player from being made.
    std::exception_ptr failure;
    try {
        Wrappers.MergePlayer.OnEndArrayPlay = std::move(mergeEvents.OnEndArrayPlay);
        Wrappers.MergePlayer.OnEndPlay = std::move(mergeEvents.OnEndPlay);
        Wrappers.MergePlayer.SetMode(1);  // creates the component object
        views_->mergeCreated = true;
    } catch (...) {
        failure = std::current_exception();
    }
    Wrappers.CutPlayer.OnEndArrayPlay = std::move(cutEvents.OnEndArrayPlay);
    Wrappers.CutPlayer.OnEndPlay = std::move(cutEvents.OnEndPlay);
    Wrappers.CutPlayer.SetMode(1);
    views_->cutCreated = true;
    if (failure)
        std::rethrow_exception(failure);
}

IWmaFormatList* TProgramComponents::WmaFormatSettings() { return views_->wmaCreated ? &views_->wmaList : nullptr; }
IAudioWriterFormat& TProgramComponents::OutputWriter() { return views_->outputWriter; }
IWmaWriterFormat& TProgramComponents::WmaOutputWriter() { return views_->wmaOutputWriter; }
IAudioPlayer* TProgramComponents::CutPlayer() { return views_->cutCreated ? &views_->cutPlayer : nullptr; }
IAudioPlayer* TProgramComponents::MergePlayer() { return views_->mergeCreated ? &views_->mergePlayer : nullptr; }

std::unique_ptr<IComponentSet> CreateProgramComponents() { return std::make_unique<TProgramComponents>(); }
