#include "waveformForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "waveView.h"

namespace {

QToolButton* ToolFor(QAction* a, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setDefaultAction(a);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

TfrmWaveform::TfrmWaveform(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmWaveform"));
    setWindowTitle(tr("Waveform"));
    resize(900, 320);

    View = new TWaveView(this);
    View->setObjectName(QStringLiteral("WaveView"));
    Scroll = new QScrollBar(Qt::Horizontal, this);
    Scroll->setObjectName(QStringLiteral("WaveScroll"));
    Scroll->setFocusPolicy(Qt::NoFocus);
    lblInfo = new QLabel(this);
    lblInfo->setObjectName(QStringLiteral("lblWaveInfo"));
    lblInfo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    ActZoomIn = new QAction(tr("Zoom In"), this);
    ActZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ActZoomOut = new QAction(tr("Zoom Out"), this);
    ActZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    ActZoomAll = new QAction(tr("Whole File"), this);
    ActZoomAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    for (QAction* a : {ActZoomIn, ActZoomOut, ActZoomAll}) {
        a->setToolTip(a->text() + QStringLiteral(" (") + a->shortcut().toString(QKeySequence::NativeText) +
                      QStringLiteral(")"));
        addAction(a);
    }
    connect(ActZoomIn, &QAction::triggered, View, [this] { View->Zoom(2.0, View->width() / 2); });
    connect(ActZoomOut, &QAction::triggered, View, [this] { View->Zoom(0.5, View->width() / 2); });
    connect(ActZoomAll, &QAction::triggered, View, &TWaveView::ZoomAll);

    btnSelStart = new QPushButton(tr("Set Start"), this);
    btnSelEnd = new QPushButton(tr("Set End"), this);
    btnSelAdd = new QPushButton(tr("Add"), this);
    btnSelStart->setObjectName(QStringLiteral("btnSelStart"));
    btnSelEnd->setObjectName(QStringLiteral("btnSelEnd"));
    btnSelAdd->setObjectName(QStringLiteral("btnSelAdd"));
    for (QPushButton* b : {btnSelStart, btnSelEnd, btnSelAdd}) {
        b->setEnabled(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(tr("For the selected span"));
    }

    auto* bar = new QHBoxLayout;
    bar->addWidget(ToolFor(ActZoomIn, this));
    bar->addWidget(ToolFor(ActZoomOut, this));
    bar->addWidget(ToolFor(ActZoomAll, this));
    bar->addSpacing(12);
    bar->addWidget(lblInfo, 1);
    bar->addWidget(btnSelStart);
    bar->addWidget(btnSelEnd);
    bar->addWidget(btnSelAdd);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(View, 1);
    layout->addWidget(Scroll);

    connect(View, &TWaveView::ViewChanged, this, &TfrmWaveform::SyncScroll);
    connect(Scroll, &QScrollBar::valueChanged, View, [this](int v) {
        if (std::llround(View->FromMs() / View->MsPerPixel()) != v) View->ScrollTo(v * View->MsPerPixel());
    });
    View->setFocus();
}

void TfrmWaveform::SyncScroll() {
    // One scroll step a pixel of the view.
    const double px = View->MsPerPixel();
    const int total = int(std::min<double>(2e9, std::ceil(View->Duration() / px)));
    const QSignalBlocker block(Scroll);
    Scroll->setRange(0, std::max(0, total - View->width()));
    Scroll->setPageStep(std::max(1, View->width()));
    Scroll->setSingleStep(std::max(1, View->width() / 10));
    Scroll->setValue(int(std::llround(View->FromMs() / px)));
}

void TfrmWaveform::ShowInfo(const QString& text) { lblInfo->setText(text); }

QString TfrmWaveform::GeometryText() const {
    const QRect g = geometry();
    return QStringLiteral("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
}

void TfrmWaveform::ApplyGeometryText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return;
    }
    if (v[2] < 200 || v[3] < 120 || v[2] > 10000 || v[3] > 10000) return;
    setGeometry(v[0], v[1], v[2], v[3]);
}

void TfrmWaveform::closeEvent(QCloseEvent* event) {
    emit Closing();
    QWidget::closeEvent(event);
}

void TfrmWaveform::hideEvent(QHideEvent* event) {
    emit Closing();
    QWidget::hideEvent(event);
}
