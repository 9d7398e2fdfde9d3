// What the playback tests share: the page's playback object (the one the page wired, or
// one made here while the page does not wire it yet) and the button it drives.
#pragma once

#include <QAbstractButton>
#include <QPushButton>

#include "cutPage.h"
#include "cutPlayback.h"
#include "mainForm.h"

namespace playbacktest {

// The page's own instance once TCutPage carries one.
template <class Page>
TCutPlayback* WiredPlayback(Page* page) {
    if constexpr (requires(Page * p) { p->Playback; })
        return page->Playback;
    else
        return nullptr;
}

struct TPlaybackUnderTest {
    TCutPlayback* playback = nullptr;
    QAbstractButton* button = nullptr;
    bool wired = false;
};

inline TPlaybackUnderTest PlaybackOf(TfrmMain& main) {
    TPlaybackUnderTest t;
    TCutPage* page = main.tabSplit;
    if (TCutPlayback* wired = WiredPlayback(page)) {
        t.playback = wired;
        t.button = page->findChild<QAbstractButton*>(QStringLiteral("btnSplitPlay"));
        t.wired = true;
    } else {
        auto* button = new QPushButton(page);
        button->setObjectName(QStringLiteral("btnSplitPlay"));
        t.button = button;
        t.playback = new TCutPlayback(&main, page, button);
    }
    return t;
}

}  // namespace playbacktest
