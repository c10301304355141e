#include "TestEnvironment.h"

#include <FolderChooser.h>
#include <FolderIntake.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The desktop's panel itself, as the home screen opens it.
class FolderChooserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        base = TestEnvironment::makeTemporaryFolder(QStringLiteral("chooser"));
        for (const char *folder : {"alpha", "beta", ".secret", "Lib.photoslibrary"})
            QDir().mkpath(base + QLatin1Char('/') + QLatin1String(folder));
        QFile file(base + QStringLiteral("/notes.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        parent.resize(400, 300);
        parent.show();
    }

    QFileDialog *openPanel()
    {
        FolderChooserOptions options;
        options.allowsMultipleSelection = true;
        options.showsHiddenFiles = false;
        options.prompt = QStringLiteral("Add");
        options.shouldEnable = FolderIntake::panelShouldEnable;
        FolderChooser::current().choose(&parent, options, [this](bool ok, const QStringList &paths) {
            ++completions;
            accepted = ok;
            chosen = paths;
        });
        auto *dialog = parent.findChild<QFileDialog *>();
        if (dialog)
            dialog->setDirectory(base);
        return dialog;
    }

    // The rows the panel lists, by name, once it has read the folder.
    QMap<QString, QModelIndex> rows(QAbstractItemView *view)
    {
        QMap<QString, QModelIndex> found;
        EXPECT_TRUE(QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) >= 4; }, 5000));
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
            found.insert(index.data().toString(), index);
        }
        return found;
    }

    QString base;
    QWidget parent;
    int completions = 0;
    bool accepted = false;
    QStringList chosen;
};

TEST_F(FolderChooserTest, ListsNoHiddenEntriesGreysPlainFilesAndTakesSeveralFolders)
{
    QFileDialog *dialog = openPanel();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    auto *view = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
    ASSERT_TRUE(view);
    const auto listed = rows(view);

    EXPECT_FALSE(listed.contains(QStringLiteral(".secret")));
    ASSERT_TRUE(listed.contains(QStringLiteral("notes.txt")));
    EXPECT_FALSE(listed.value(QStringLiteral("notes.txt")).flags() & Qt::ItemIsEnabled);
    EXPECT_TRUE(listed.value(QStringLiteral("Lib.photoslibrary")).flags() & Qt::ItemIsSelectable);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);

    view->selectionModel()->select(listed.value(QStringLiteral("alpha")), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(listed.value(QStringLiteral("Lib.photoslibrary")), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QMetaObject::invokeMethod(dialog, "accept");
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(accepted);
    QStringList sorted = chosen;
    sorted.sort();
    EXPECT_EQ(sorted, QStringList({base + QStringLiteral("/Lib.photoslibrary"), base + QStringLiteral("/alpha")}));
}

TEST_F(FolderChooserTest, CancelAnswersOnceWithNothing)
{
    QFileDialog *dialog = openPanel();
    ASSERT_TRUE(dialog);
    dialog->reject();
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(chosen.isEmpty());
}

} // namespace
