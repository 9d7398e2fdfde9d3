// The program's component set: the main window's instances bound to the wrappers of
// cutter/components, created by class id from the registered modules.
#include <stdexcept>

#include "ComponentSet.h"
#include "components/KezAudioFormatSettings3Lib_TLB.h"

namespace {

#if KEZ_HAVE_COMPONENT_ERRORS
class TWmaFormatList : public IWmaFormatList {
public:
    void SetFormatGroup(int group) override { w_.SetFormatGroup(group); }
    int FormatCount() override { return w_.FormatCount(); }
    void SetFormatIndex(int index) override { w_.SetFormatIndex(index); }
    QString FormatName() override { return QString::fromStdU16String(w_.FormatName()); }
    TAudioFormatWMA& Wrapper() { return w_; }

private:
    TAudioFormatWMA w_;
};
#else
// Built without the wrappers' error support: the list cannot be created.
class TWmaFormatList : public IWmaFormatList {
public:
    TWmaFormatList() { throw std::runtime_error("The WMA format settings component is not available."); }
    void SetFormatGroup(int) override {}
    int FormatCount() override { return 0; }
    void SetFormatIndex(int) override {}
    QString FormatName() override { return {}; }
    struct TNone {
        void Connect() {}
    };
    TNone Wrapper() { return {}; }
};
#endif

// The writers' format calls, until the file components' interface files are bound.
class TPendingWriter : public IAudioWriterFormat, public IWmaWriterFormat {
public:
    void SetMp3Format(int, int, int) override { Fail(); }
    void SetOggFormat(int, int, int, int, int, int) override { Fail(); }
    void SetWavFormat(int, int, int, int) override { Fail(); }
    void SetFormat(IWmaFormatList&) override { Fail(); }

private:
    [[noreturn]] static void Fail() { throw std::runtime_error("The audio file component is not available."); }
};

class TProgramComponents : public IComponentSet {
public:
    void CreateWmaFormatSettings() override {
        auto list = std::make_unique<TWmaFormatList>();
        list->Wrapper().Connect();
        wma_ = std::move(list);
    }
    void ConstructFileComponents() override {}
    void ConstructPlayers() override {}
    IWmaFormatList* WmaFormatSettings() override { return wma_.get(); }
    IAudioWriterFormat& OutputWriter() override { return writer_; }
    IWmaWriterFormat& WmaOutputWriter() override { return writer_; }

private:
    std::unique_ptr<TWmaFormatList> wma_;
    TPendingWriter writer_;
};

}  // namespace

std::unique_ptr<IComponentSet> CreateProgramComponents() { return std::make_unique<TProgramComponents>(); }
