#include "browseFolder.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

QString FolderBrowserRoot(const QString& root) {
    const QString r = root.trimmed();
    if (r.isEmpty() || r.compare(u"c:", Qt::CaseInsensitive) == 0 || r.compare(u"c:\\", Qt::CaseInsensitive) == 0 ||
        r.compare(u"c:/", Qt::CaseInsensitive) == 0)
        return QStringLiteral("/");
    return QFileInfo(r).isDir() ? QDir::cleanPath(QFileInfo(r).absoluteFilePath()) : QStringLiteral("/");
}

bool BrowseForFolder(QWidget* owner, QString& path, const QString& title, unsigned flags, const QString& root) {
    QDialog dlg(owner);
    dlg.setObjectName(QStringLiteral("BrowseForFolder"));
    dlg.setWindowTitle(QCoreApplication::translate("BrowseForFolder", "Browse For Folder"));
    dlg.resize(360, 420);

    auto* layout = new QVBoxLayout(&dlg);
    auto* caption = new QLabel(title, &dlg);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    auto* status = new QLabel(&dlg);
    status->setObjectName(QStringLiteral("lblStatus"));
    status->setWordWrap(true);
    status->setVisible(flags & BIF_STATUSTEXT);
    layout->addWidget(status);

    auto* model = new QFileSystemModel(&dlg);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setReadOnly(true);
    const QString rootDir = FolderBrowserRoot(root);
    model->setRootPath(rootDir);

    auto* tree = new QTreeView(&dlg);
    tree->setObjectName(QStringLiteral("treeFolders"));
    tree->setModel(model);
    // The root itself is offered as the top item when it is the file system's root, as a
    // drive is; a folder root shows its contents.
    const QModelIndex rootIndex = model->index(rootDir);
    tree->setRootIndex(rootDir == QLatin1String("/") ? QModelIndex() : rootIndex);
    for (int c = 1; c < model->columnCount(); ++c)
        tree->hideColumn(c);
    tree->header()->hide();
    layout->addWidget(tree, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);

    QString chosen;
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, &dlg,
                     [&](const QModelIndex& current) {
                         chosen = current.isValid() ? model->filePath(current) : QString();
                         status->setText(chosen);
                         // Validated: only an existing folder can be confirmed.
                         ok->setEnabled(!chosen.isEmpty() && QFileInfo(chosen).isDir());
                     });

    // Opens on the given folder, or on the root when there is none.
    QModelIndex start = rootDir == QLatin1String("/") ? rootIndex : QModelIndex();
    if (!path.isEmpty() && QFileInfo(path).isDir())
        start = model->index(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (start.isValid()) {
        tree->setCurrentIndex(start);
        tree->scrollTo(start);
    }

    if (dlg.exec() != QDialog::Accepted || chosen.isEmpty())
        return false;
    path = chosen;
    return true;
}
