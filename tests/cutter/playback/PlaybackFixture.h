// What the playback tests share: the cut page's playback object and the button it drives.
#pragma once

#include <QPushButton>

#include "cutPage.h"
#include "cutPlayback.h"
#include "mainForm.h"

namespace playbacktest {

struct TPlaybackUnderTest {
    TCutPlayback* playback = nullptr;
    QAbstractButton* button = nullptr;
};

inline TPlaybackUnderTest PlaybackOf(TfrmMain& main) { return {main.tabSplit->Playback, main.tabSplit->btnSplitPlay}; }

}  // namespace playbacktest
