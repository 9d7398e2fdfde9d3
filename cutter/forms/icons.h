// The program's icons: vector pictures in the program's resources, so they stay crisp on the
// toolbar, in the menus and in the About box at whatever size they are shown.
#pragma once

#include <QIcon>

enum class TIconKind { Cut, Merge, Settings, Website, About, Program, Play, Stop };

QIcon DrawnIcon(TIconKind kind);
