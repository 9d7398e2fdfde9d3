#include "toolbarPanel.h"

#include <QAction>
#include <QFontMetrics>
#include <algorithm>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

TToolbarPanel::TToolbarPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlToolbar"));
    setFixedHeight(kHeight);
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(6, 3, 6, 3);
    layout_->setSpacing(4);
    setStyleSheet(QStringLiteral(
        "QToolButton { color: white; border: 1px solid transparent; border-radius: 4px; padding: 1px 4px; }"
        "QToolButton:hover { background: rgba(255,255,255,40); border-color: rgba(255,255,255,90); }"
        "QToolButton:checked, QToolButton:pressed { background: rgba(0,0,30,70);"
        " border-color: rgba(255,255,255,140); }"));
}

QToolButton* TToolbarPanel::AddButton(QAction* action, const QString& objectName) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(36, 36));
    button->setAutoRaise(true);
    QFont f = button->font();
    f.setBold(true);
    button->setFont(f);
    // Wide enough for the caption in the bold face, at least the width of the others.
    const int textWidth = QFontMetrics(f).horizontalAdvance(action->text());
    button->setFixedSize(std::max(96, textWidth + 22), kHeight - 6);
    layout_->addWidget(button);
    return button;
}

void TToolbarPanel::AddStretch() { layout_->addStretch(1); }

void TToolbarPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0.0, QColor(92, 140, 205));
    g.setColorAt(0.5, QColor(44, 88, 160));
    g.setColorAt(1.0, QColor(20, 50, 110));
    p.fillRect(rect(), g);
    p.setPen(QColor(10, 30, 70));
    p.drawLine(0, height() - 1, width(), height() - 1);
}
