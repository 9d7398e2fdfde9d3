#include "cutPlayback.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/ComponentInterfaces.h"
#include "app/ComponentSet.h"
#include "app/UserInterface.h"
#include "cutPageBase.h"
#include "icons.h"
#include "pageHost.h"
#include "workflow/PcmBlock.h"

namespace {

void Report(TPageHost* main, const QString& text) { main->UI().ShowMessage(text, AppTitle, TMessageKind::Error); }

void Report(TPageHost* main, const char* text) { Report(main, QString::fromUtf8(text)); }

}  // namespace

TCutPlayback::TCutPlayback(TPageHost* main, TCutPageBase* page, QAbstractButton* btnSplitPlay)
    : QObject(page), main_(main), page_(page), button_(btnSplitPlay) {
    QAction* act = main->ActSplay;
    connect(act, &QAction::triggered, this, &TCutPlayback::Play);
    main->SetActionUpdate(act, [page] { return page->TrackBar->maximum() > 100; });
    if (button_) {
        button_->setIconSize(QSize(16, 16));
        ShowIdle();
        button_->setEnabled(act->isEnabled());
        connect(button_, &QAbstractButton::clicked, act, &QAction::trigger);
        connect(act, &QAction::changed, button_, [b = button_, act] { b->setEnabled(act->isEnabled()); });
    }

    main->CutPlayAction = [self = QPointer<TCutPlayback>(this)] {
        if (self) self->Play();
    };
    // The players share one feed: this page serves it while its source plays.
    std::function<void()> other = main->Feed;
    main->Feed = [self = QPointer<TCutPlayback>(this), other] {
        if (self && self->playing_)
            self->FeedBlock();
        else if (other)
            other();
    };
}

TCutPlayback::~TCutPlayback() = default;

void TCutPlayback::SetReaders(workflow::AudioReader* reader, workflow::AudioReader* wmaReader) {
    reader_ = reader;
    wmaReader_ = wmaReader;
}

QIcon TCutPlayback::PlayGlyph() {
    static const QIcon icon = DrawnIcon(TIconKind::Play);
    return icon;
}

QIcon TCutPlayback::StopGlyph() {
    static const QIcon icon = DrawnIcon(TIconKind::Stop);
    return icon;
}

void TCutPlayback::ShowIdle() {
    if (!button_) return;
    button_->setText(tr("Play"));
    button_->setIcon(PlayGlyph());
}

void TCutPlayback::ShowPlaying() {
    if (!button_) return;
    button_->setText(tr("Stop"));
    button_->setIcon(StopGlyph());
}

workflow::AudioReader* TCutPlayback::ReaderFor(FormatCode code) const {
    if (code == fcWma) return wmaReader_;
    if (code == fcOggVorbis || code == fcMp3 || code == fcWav) return reader_;
    return nullptr;
}

bool TCutPlayback::Playing() const {
    IAudioPlayer* player = main_->Components().CutPlayer();
    try {
        return player && player->Playing();
    } catch (const std::exception& e) {
        Report(main_, e.what());
        return false;
    }
}

void TCutPlayback::Play() {
    IAudioPlayer* player = main_->Components().CutPlayer();
    try {
        // Our own flag counts too: a player that has already run out still gets stopped
        // here, and the reader closed, rather than the source started again.
        if (playing_ || (player && player->Playing())) {
            // Stopping never depends on the source box: the file may be gone or replaced.
            playing_ = false;
            ShowIdle();
            if (player) player->Stop();
            if (open_) {
                open_->Close();
                open_ = nullptr;
            }
            emit Stopped();
            return;
        }
        Begin(page_->TrackBar->value(), -1);
    } catch (const std::exception& e) {
        Report(main_, e.what());
    } catch (...) {
        Report(main_, tr("The player component failed."));
    }
}

void TCutPlayback::PlaySpan(std::int64_t from, std::int64_t to) {
    if (playing_ || Playing()) Play();
    if (to <= from) return;
    try {
        Begin(from, to);
    } catch (const std::exception& e) {
        Report(main_, e.what());
    } catch (...) {
        Report(main_, tr("The player component failed."));
    }
}

void TCutPlayback::Begin(std::int64_t from, std::int64_t to) {
    IAudioPlayer* player = main_->Components().CutPlayer();
    const QString path = page_->edtSourceFile->text();
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    playFormat_ = FormatFromFileName(path);
    if (playFormat_ == fcUnknown) return;
    workflow::AudioReader* reader = ReaderFor(playFormat_);
    if (!reader || !player) return;

    ShowPlaying();
    reader->Open(path);
    open_ = reader;
    const std::int64_t position = from;
    if (position > 0) reader->SeekTime(position);
    spanStart_ = position;
    spanEnd_ = to;
    framesLeft_ = -1;
    player->SetStartMode(2);
    player->Start(44100, 2, 16, 0);
    playing_ = true;
    emit Started(position);
    FeedBlock();
    FeedBlock();
}

void TCutPlayback::FeedBlock() {
    if (!open_ || playFormat_ == fcUnknown) return;
    try {
        const workflow::StreamInfo info = open_->Info();
        workflow::AudioBlock block =
            open_->Read(workflow::PlayBlockUnits(info.sampleRate, info.channels, info.sampleSize,
                                                 info.compressRate));
        if (block.Empty()) return;
        if (spanEnd_ >= 0) {
            // The span ends at its exact frame, counted at the rate the reader delivers.
            if (framesLeft_ < 0) {
                std::int64_t rate = info.sampleRate;
                workflow::WithSamples(*block.Get(), [&](const workflow::PcmFormat& f, const std::uint8_t*,
                                                        std::int64_t) { rate = f.sampleRate; });
                framesLeft_ = std::max<std::int64_t>(
                    0, std::llround(spanEnd_ * rate / 1000.0) - std::llround(spanStart_ * rate / 1000.0));
            }
            workflow::KeepFrames(block, framesLeft_);
            if (block.Empty()) return;
            framesLeft_ -= workflow::FrameCount(*block.Get());
        }
        // Only the cut player takes this source: on the other pages the block is dropped.
        IAudioPlayer* player = main_->ShownPage() == pgCut ? main_->Components().CutPlayer() : nullptr;
        if (player) player->PlayArray(*block.Get());
        main_->UI().ProcessPendingEvents();
    } catch (...) {
        // A block that cannot be read or played ends nothing: the player's end event does.
    }
}
