// A picture of the dialog for a look by eye: a two-hour source with a selected row, split by
// a time point. Saved into the screenshot folder; checks that it was made and drawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "SpecialTestSupport.h"
#include "specialForm.h"

TEST(SpecialScreenshot, ByTimePointOnASelectedRow) {
    QString dir = qEnvironmentVariable("KEZ_SCREENSHOT_DIR");
    if (dir.isEmpty()) {
        const QString bin = qEnvironmentVariable("KEZ_BIN_DIR");
        dir =
            (bin.isEmpty() ? QDir::tempPath() : bin + QStringLiteral("/..")) + QStringLiteral("/screenshots");
    }
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString file = QDir(dir).filePath(QStringLiteral("special.png"));
    QFile::remove(file);

    TSpecialSource source;
    source.durationText = QStringLiteral("02:00:00.000");
    source.durationMs = 7200000;
    source.hasSelection = true;
    source.startText = QStringLiteral("01:00:00.000");
    source.endText = QStringLiteral("01:45:30.250");
    source.lengthText = QStringLiteral("45:30.250");
    TRecordingUi ui;
    TfrmSpecial dlg(nullptr, ui, source);
    dlg.show();
    QTest::mouseClick(dlg.rdSelectTrack, Qt::LeftButton);
    QTest::mouseClick(dlg.rdFixedTime, Qt::LeftButton);
    dlg.spMinute->setValue(15);
    dlg.spSecond->setValue(30);
    dlg.spMSecond->setValue(500);
    QApplication::processEvents();
    const QImage image = dlg.grab().toImage();
    ASSERT_TRUE(image.save(file));
    EXPECT_EQ(image.size(), dlg.size() * image.devicePixelRatio());
    EXPECT_EQ(QImage(file).size(), image.size());
}
