// The program's component set: the main window's instances bound to the wrappers of
// cutter/components, created by class id from the registered modules.
#include <exception>
#include <stdexcept>
#include <string>

#include "ComponentSet.h"

#if KEZ_HAVE_COMPONENT_ERRORS
#include "components/KezAudioFormatSettings3Lib_TLB.h"
#include "components/KezAudioPlayer3Lib_TLB.h"
#endif

namespace {

[[noreturn]] void NotAvailable(const char* what) {
    throw std::runtime_error(std::string("The ") + what + " component is not available.");
}

#if KEZ_HAVE_COMPONENT_ERRORS
class TWmaFormatList : public IWmaFormatList {
public:
    TWmaFormatList() { w_.Connect(); }  // created at once, not at its first use
    void SetFormatGroup(int group) override { w_.SetFormatGroup(group); }
    int FormatCount() override { return w_.FormatCount(); }
    void SetFormatIndex(int index) override { w_.SetFormatIndex(index); }
    QString FormatName() override { return QString::fromStdU16String(w_.FormatName()); }

private:
    TAudioFormatWMA w_;
};

class TPlayer : public IAudioPlayer {
public:
    explicit TPlayer(TPlayerEvents events) {
        w_.OnEndArrayPlay = std::move(events.OnEndArrayPlay);
        w_.OnEndPlay = std::move(events.OnEndPlay);
        w_.SetMode(1);  // creates the component object
    }
    void SetStartMode(int mode) override { w_.SetStartMode(mode); }
    void Start(int sampleRate, int channels, int bits, int flags) override { w_.Start(sampleRate, channels, bits, flags); }
    void PlayArray(const VARIANT& block) override { w_.PlayArray(block); }
    void Stop() override { w_.Stop(); }
    bool Playing() override { return w_.Playing(); }

private:
    TAudioPlayer3 w_;
};
#endif

// The writers' format calls, until the file components' interface files are bound.
class TPendingWriter : public IAudioWriterFormat, public IWmaWriterFormat {
public:
    void SetMp3Format(int, int, int) override { NotAvailable("audio file"); }
    void SetOggFormat(int, int, int, int, int, int) override { NotAvailable("audio file"); }
    void SetWavFormat(int, int, int, int) override { NotAvailable("audio file"); }
    void SetFormat(IWmaFormatList&) override { NotAvailable("WMA audio file"); }
};

class TProgramComponents : public IComponentSet {
public:
    void CreateWmaFormatSettings() override {
#if KEZ_HAVE_COMPONENT_ERRORS
        wma_ = std::make_unique<TWmaFormatList>();
#else
        NotAvailable("WMA format settings");
#endif
    }
    void ConstructFileComponents() override {}
    void ConstructPlayers(TPlayerEvents mergeEvents, TPlayerEvents cutEvents) override {
#if KEZ_HAVE_COMPONENT_ERRORS
        // A merge player that cannot be created does not keep the cut player from being made.
        std::exception_ptr failure;
        try {
            mergePlayer_ = std::make_unique<TPlayer>(std::move(mergeEvents));
        } catch (...) {
            failure = std::current_exception();
        }
        cutPlayer_ = std::make_unique<TPlayer>(std::move(cutEvents));
        if (failure)
            std::rethrow_exception(failure);
#else
        NotAvailable("player");
#endif
    }
    IWmaFormatList* WmaFormatSettings() override { return wma_.get(); }
    IAudioWriterFormat& OutputWriter() override { return writer_; }
    IWmaWriterFormat& WmaOutputWriter() override { return writer_; }
    IAudioPlayer* CutPlayer() override { return cutPlayer_.get(); }
    IAudioPlayer* MergePlayer() override { return mergePlayer_.get(); }

private:
    std::unique_ptr<IWmaFormatList> wma_;
    TPendingWriter writer_;
    std::unique_ptr<IAudioPlayer> mergePlayer_, cutPlayer_;
};

}  // namespace

std::unique_ptr<IComponentSet> CreateProgramComponents() { return std::make_unique<TProgramComponents>(); }
