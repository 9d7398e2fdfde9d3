// The icons come from SVG resources through a plug-in: each must draw at the sizes it is shown.
#include <gtest/gtest.h>

#include <QImage>

#include "icons.h"

TEST(IconsTest, EveryIconDrawsAtEverySize) {
    for (int kind = 0; kind <= int(TIconKind::Stop); ++kind) {
        for (int side : {16, 32, 64}) {
            const QImage image = DrawnIcon(TIconKind(kind)).pixmap(side, side).toImage();
            ASSERT_EQ(image.width(), side) << kind;
            int opaque = 0;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
            EXPECT_GT(opaque, side * side / 10) << "icon " << kind << " at " << side;
        }
    }
}
