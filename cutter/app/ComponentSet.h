// The outside component instances that the main window creates at start-up and owns
// until it is destroyed, shared by both workflows. The program's set binds them to the
// component wrappers of cutter/components; tests supply their own.
#pragma once

#include <memory>

#include "app/ComponentInterfaces.h"

class IComponentSet {
public:
    virtual ~IComponentSet() = default;

    // The start-up steps, in the order the main window runs them. Each may raise the
    // component's error; the window reports it and goes on.
    virtual void CreateWmaFormatSettings() = 0;      // created at once
    virtual void ConstructFileComponents() = 0;      // readers, writers, tag editor (Mode 1), WMA tag reader
    // Merge player, then cut player; each gets its events connected and Mode 1 set.
    virtual void ConstructPlayers(TPlayerEvents mergeEvents, TPlayerEvents cutEvents) = 0;

    // Null until CreateWmaFormatSettings succeeded.
    virtual IWmaFormatList* WmaFormatSettings() = 0;
    virtual IAudioWriterFormat& OutputWriter() = 0;
    virtual IWmaWriterFormat& WmaOutputWriter() = 0;
    // Null until ConstructPlayers created them.
    virtual IAudioPlayer* CutPlayer() = 0;
    virtual IAudioPlayer* MergePlayer() = 0;
};

// The program's own set, on the registered components.
std::unique_ptr<IComponentSet> CreateProgramComponents();
