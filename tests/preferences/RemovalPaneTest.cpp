#include "PreferencesFixture.h"

#include <PreferencesTabViewController.h>
#include <ProcessState.h>
#include <RemovalPreferencesViewController.h>
#include <SettingsStore.h>
#include <TestEnvironment.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

enum class Shown { trash, permanently, folder };

class RemovalPaneTest : public PreferencesFixture
{
protected:
    void SetUp() override
    {
        PreferencesFixture::SetUp();
        m_previousFolder = QDir::currentPath();
        // Whatever a relative path would make lands here, where the test can see it.
        m_workingFolder = TestEnvironment::makeTemporaryFolder("working");
        QDir::setCurrent(m_workingFolder);
    }
    void TearDown() override
    {
        QDir::setCurrent(m_previousFolder);
        PreferencesFixture::TearDown();
    }

    RemovalPreferencesViewController *pane() { return tabs()->removalPane(); }

    // Exactly one radio on, and the folder part only in Folder mode.
    void expectShown(Shown shown)
    {
        EXPECT_EQ(pane()->btnRemoveToTrash->isChecked(), shown == Shown::trash);
        EXPECT_EQ(pane()->btnMoveToPermanently->isChecked(), shown == Shown::permanently);
        EXPECT_EQ(pane()->btnRemoeToFolder->isChecked(), shown == Shown::folder);
        EXPECT_EQ(pane()->stackViewSubpartFolderRemoval->isVisible(), shown == Shown::folder);
        EXPECT_EQ(pane()->btnOverwriteFilePath->isVisible(), shown == Shown::folder);
    }

    void expectStored(const char *type, const QString &path, bool overwrite)
    {
        EXPECT_EQ(stored("RemovableTypeTMR"), QVariant(QString::fromLatin1(type)));
        EXPECT_EQ(stored("RemovablePathTMR"), QVariant(path));
        EXPECT_EQ(stored("RemovableIsPathWriteTMR"), QVariant(overwrite));
    }

    QStringList workingFolderEntries() const
    {
        return QDir(m_workingFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QString m_previousFolder;
    QString m_workingFolder;
};

} // namespace

TEST_F(RemovalPaneTest, EachModeIsShownAndStored)
{
    showTab(3);
    expectShown(Shown::trash);
    EXPECT_FALSE(stored("RemovableTypeTMR").isValid());

    pane()->btnMoveToPermanently->click();
    expectShown(Shown::permanently);
    expectStored("2", "", true);
    EXPECT_EQ(removalMode(), MovingType::Permanently());

    pane()->btnRemoveToTrash->click();
    expectShown(Shown::trash);
    expectStored("1", "", true);

    const QString destination = TestEnvironment::makeTemporaryFolder("destination");
    pane()->btnRemoeToFolder->click();
    ASSERT_TRUE(chooser.isOpen());
    EXPECT_FALSE(chooser.lastOptions.canChooseFiles);
    EXPECT_TRUE(chooser.lastOptions.canChooseDirectories);
    EXPECT_FALSE(chooser.lastOptions.allowsMultipleSelection);
    // Until a folder is chosen the mode in force is what shows.
    expectShown(Shown::trash);
    chooser.answer(true, {destination});
    expectShown(Shown::folder);
    expectStored("3", destination, true);
    EXPECT_EQ(pane()->pathControl->text(), destination);
    EXPECT_TRUE(pane()->btnOverwriteFilePath->isChecked());

    pane()->btnOverwriteFilePath->click();
    expectStored("3", destination, false);
    EXPECT_EQ(removalMode(), MovingType::Folder(destination, false));

    // Choosing a folder again switches overwriting on again.
    pane()->btnBrowseFolder->click();
    chooser.answer(true, {destination});
    expectStored("3", destination, true);
    EXPECT_TRUE(pane()->btnOverwriteFilePath->isChecked());
    saveRender("preferences_removal_folder");

    // The box does nothing outside Folder mode.
    pane()->btnRemoveToTrash->click();
    pane()->btnOverwriteFilePath->click();
    expectStored("1", "", true);
}

TEST_F(RemovalPaneTest, ACancelledChooserLeavesTheModeShownAsItWas)
{
    const QString destination = TestEnvironment::makeTemporaryFolder("kept");
    const std::pair<MovingType, Shown> modes[] = {
        {MovingType::Trash(), Shown::trash},
        {MovingType::Permanently(), Shown::permanently},
        {MovingType::Folder(destination, false), Shown::folder},
    };
    for (const auto &[mode, shown] : modes) {
        SCOPED_TRACE(int(shown));
        resetScreens();
        chooser.openCount = 0;
        removalMode() = mode;
        saveRemovalSettings();
        showTab(3);
        EXPECT_EQ(chooser.openCount, 0); // showing Folder mode opens no chooser
        const QString before = settingsFile();
        for (QAbstractButton *opener : {static_cast<QAbstractButton *>(pane()->btnRemoeToFolder),
                                        static_cast<QAbstractButton *>(pane()->btnBrowseFolder)}) {
            if (!opener->isVisible())
                continue;
            opener->click();
            ASSERT_TRUE(chooser.answer(false));
            expectShown(shown);
            EXPECT_EQ(removalMode(), mode);
            EXPECT_EQ(settingsFile(), before);
        }
        window()->close();
    }
}

TEST_F(RemovalPaneTest, AMissingDestinationIsMadeAgainOnlyFromAnAbsolutePath)
{
    const QString root = TestEnvironment::makeTemporaryFolder("remade");
    QFile file(root + "/a-file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct Case
    {
        const char *name;
        QString path;
        bool made;
    };
    const Case cases[] = {
        {"deleted with its parents", root + "/gone/deeper/dest", true},
        {"relative", "relative/dest", false},
        {"empty", "", false},
        {"names a file", root + "/a-file", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetScreens();
        store("RemovableTypeTMR", "3");
        remove("RemovablePathTMR");
        if (!c.path.isEmpty())
            store("RemovablePathTMR", c.path);
        loadRemovalSettings();
        const QString before = settingsFile();

        showTab(3);
        expectShown(Shown::folder);
        EXPECT_EQ(QFileInfo(c.path).isDir(), c.made);
        EXPECT_EQ(pane()->pathControl->text(), c.made ? c.path : QString());
        EXPECT_TRUE(workingFolderEntries().isEmpty()) << workingFolderEntries().join(", ").toStdString();
        EXPECT_EQ(settingsFile(), before);
        window()->close();
    }
}
