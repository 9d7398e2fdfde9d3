// The program's icons, drawn with QPainter at whatever size they are shown, so they stay
// crisp on the toolbar, in the menus and in the About box.
#pragma once

#include <QIcon>

enum class TIconKind { Cut, Merge, Settings, Website, About, Program };

QIcon DrawnIcon(TIconKind kind);
