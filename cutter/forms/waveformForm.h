// The waveform window: the source at any zoom, with the marks, the rows' bands, the
// position and the play cursor. A click moves the cut page's position; a drag selects a
// span for Set Start / Set End / Add. It remembers where it was on the screen.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;
class QScrollBar;
class QToolButton;
class TWaveView;

class TfrmWaveform : public QWidget {
    Q_OBJECT
public:
    explicit TfrmWaveform(QWidget* owner);

    TWaveView* View = nullptr;
    QScrollBar* Scroll = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* btnSelStart = nullptr;  // "Set Start" at the selection's start
    QPushButton* btnSelEnd = nullptr;    // "Set End" at the selection's end
    QPushButton* btnSelAdd = nullptr;    // "Add" the selection as a row
    QAction* ActZoomIn = nullptr;
    QAction* ActZoomOut = nullptr;
    QAction* ActZoomAll = nullptr;

    // The window's place as "x,y,width,height"; an empty or broken text keeps the default.
    QString GeometryText() const;
    void ApplyGeometryText(const QString& text);

    void ShowInfo(const QString& text);
    void SyncScroll();

signals:
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};
