// The program's component set: the main window's instances as the wrappers of
// cutter/components, created by class id from the registered modules. The workflows bind
// their readers, writers and tag access to the wrappers held here, so every page shares
// the same instances.
#pragma once

#include <memory>

#include "app/ComponentSet.h"
#include "components/KezAudioFile3Lib_TLB.h"
#include "components/KezAudioFileWMA3Lib_TLB.h"
#include "components/KezAudioFormatSettings3Lib_TLB.h"
#include "components/KezAudioPlayer3Lib_TLB.h"

class TProgramComponents : public IComponentSet {
public:
    TProgramComponents();
    ~TProgramComponents() override;

    void CreateWmaFormatSettings() override;
    void ConstructFileComponents() override;
    void ConstructPlayers(TPlayerEvents mergeEvents, TPlayerEvents cutEvents) override;

    IWmaFormatList* WmaFormatSettings() override;
    IAudioWriterFormat& OutputWriter() override;
    IWmaWriterFormat& WmaOutputWriter() override;
    IAudioPlayer* CutPlayer() override;
    IAudioPlayer* MergePlayer() override;

    // The instances themselves. Each creates its component object at its first operation,
    // except those that start-up creates (the WMA format list, the tag editor, the players).
    struct TWrappers {
        TAudioFile3 SourceReader;
        TAudioFile3 OutputWriter;
        TAudioFileWMA3 WmaSourceReader;
        TAudioFileWMA3 WmaOutputWriter;
        TAudioFileInformation3 TagEditor;
        TAudioFileWMAInformation3 WmaTagReader;
        TAudioFormatWMA WmaFormatSettings;
        TAudioPlayer3 MergePlayer;
        TAudioPlayer3 CutPlayer;
    };
    TWrappers Wrappers;

private:
    struct TViews;
    std::unique_ptr<TViews> views_;
};
