// The folder chooser: its root, the folder selected when it opens, the status line, and
// what confirming and cancelling leave in the path.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include "browseFolder.h"

TEST(BrowseForFolderTest, RootTexts) {
    QTemporaryDir dir;
    EXPECT_EQ(FolderBrowserRoot("c:"), "/");
    EXPECT_EQ(FolderBrowserRoot("C:"), "/");
    EXPECT_EQ(FolderBrowserRoot("c:\\"), "/");
    EXPECT_EQ(FolderBrowserRoot(""), "/");
    EXPECT_EQ(FolderBrowserRoot(dir.path()), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(FolderBrowserRoot(dir.path() + "/missing"), "/");
}

TEST(BrowseForFolderTest, OpensOnThePathAndReturnsTheChoice) {
    QTemporaryDir dir;
    const QString start = QDir(dir.path()).canonicalPath() + "/a";
    QDir().mkpath(start + "/b");

    // Confirmed at once: the folder it opened on comes back, shown in the status line.
    QString status, title;
    QTimer::singleShot(50, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        title = dlg->findChildren<QLabel*>().first()->text();
        status = dlg->findChild<QLabel*>("lblStatus")->text();
        dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QString path = start;
    EXPECT_TRUE(BrowseForFolder(nullptr, path, "Please select a target folder", 37, "c:"));
    EXPECT_EQ(path, start);
    EXPECT_EQ(status, start);
    EXPECT_EQ(title, "Please select a target folder");

    // Cancelled: the path stays.
    QTimer::singleShot(50, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->reject();
    });
    path = start;
    EXPECT_FALSE(BrowseForFolder(nullptr, path, "Please select a target folder", 37, "c:"));
    EXPECT_EQ(path, start);

    // No starting folder: it opens on the root, which can be confirmed.
    QTimer::singleShot(50, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        status = dlg->findChild<QLabel*>("lblStatus")->text();
        dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    path.clear();
    EXPECT_TRUE(BrowseForFolder(nullptr, path, "Please select a target folder", 37, "c:"));
    EXPECT_EQ(status, "/");
    EXPECT_EQ(path, "/");
}
