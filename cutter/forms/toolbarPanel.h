// The main window's toolbar: a full-width panel with a vertical gradient holding large
// buttons with an icon above their caption.
#pragma once

#include <QWidget>

class QAction;
class QHBoxLayout;
class QToolButton;

class TToolbarPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 65;

    explicit TToolbarPanel(QWidget* parent = nullptr);

    // Adds a large button showing `action` (its icon, text and checked state).
    QToolButton* AddButton(QAction* action, const QString& objectName);
    void AddStretch();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QHBoxLayout* layout_;
};
