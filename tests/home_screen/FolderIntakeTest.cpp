#include "TestEnvironment.h"

#include <FolderIntake.h>

#include <QDir>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

using FolderIntake::Refusal;
using FolderIntake::Source;

namespace {

class FolderIntakeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        base = TestEnvironment::makeTemporaryFolder(QStringLiteral("intake"));
        for (const char *folder : {"a", "b", "My.app", "UP.APP", "Photo Booth Library", "music/iTunes", "Lib.photoslibrary",
                                   "ignored/inner", "ignored-old", "unchecked", "space dir"})
            QDir().mkpath(path(folder));
        QFile file(path("file.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        QFile::link(path("a"), path("link-to-a"));
        ignoreList = {
            {true, QUrl::fromLocalFile(path("ignored"))},
            {false, QUrl::fromLocalFile(path("unchecked"))},
            {true, QUrl::fromLocalFile(QStringLiteral("relative/entry"))},
            {true, std::nullopt},
        };
    }

    QString path(const char *relative) const { return base + QLatin1Char('/') + QLatin1String(relative); }

    QString base;
    QList<AllIgnorePaths> ignoreList;
};

TEST_F(FolderIntakeTest, RulesDecideWhatIsHandedOverAndWhichAlertFollows)
{
    struct Case
    {
        const char *what;
        Source source;
        QStringList paths;
        QStringList accepted;
        std::optional<Refusal> alert;
    };
    const Case cases[] = {
        {"two folders, both columns", Source::Drop, {path("a"), path("b")}, {path("a"), path("b")}, std::nullopt},
        {"two folders, panel", Source::Panel, {path("a"), path("b")}, {path("a"), path("b")}, std::nullopt},
        {"the disk with a folder", Source::Drop, {QStringLiteral("/"), path("a")}, {path("a")}, Refusal::NotAdded},
        {"the disk written twice", Source::Panel, {QStringLiteral("//"), path("a")}, {path("a")}, Refusal::NotAdded},
        {"the same folder twice", Source::Drop, {path("a"), path("a")}, {path("a")}, Refusal::NotAdded},
        {"an application", Source::Panel, {path("My.app"), path("b")}, {path("b")}, Refusal::NotAdded},
        {"APP in capitals is a folder", Source::Drop, {path("UP.APP")}, {path("UP.APP")}, std::nullopt},
        {"Photo Booth library", Source::Panel, {path("Photo Booth Library")}, {}, Refusal::NotAdded},
        {"under iTunes, any case", Source::Drop, {path("music/iTunes")}, {}, Refusal::NotAdded},
        {"a Photos library from the panel", Source::Panel, {path("Lib.photoslibrary")}, {path("Lib.photoslibrary")}, std::nullopt},
        {"a plain file dropped", Source::Drop, {path("file.txt"), path("a")}, {path("a")}, Refusal::NotAdded},
        {"a missing path dropped", Source::Drop, {path("gone"), path("a")}, {path("a")}, std::nullopt},
        {"only missing paths", Source::Drop, {path("gone")}, {}, std::nullopt},
        {"a folder through a link", Source::Drop, {path("link-to-a")}, {path("link-to-a")}, std::nullopt},
        {"a name with a space", Source::Panel, {path("space dir")}, {path("space dir")}, std::nullopt},
        {"an ignored folder", Source::Drop, {path("ignored"), path("a")}, {path("a")}, Refusal::Excluded},
        {"inside an ignored folder", Source::Panel, {path("ignored/inner")}, {}, Refusal::ParentExcluded},
        {"a sibling that shares the prefix", Source::Drop, {path("ignored-old")}, {path("ignored-old")}, std::nullopt},
        {"an unchecked entry refuses nothing", Source::Panel, {path("unchecked")}, {path("unchecked")}, std::nullopt},
        {"not added wins over excluded", Source::Drop, {path("ignored"), path("file.txt")}, {}, Refusal::NotAdded},
        {"excluded wins over parent excluded", Source::Panel, {path("ignored/inner"), path("ignored")}, {}, Refusal::Excluded},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const FolderIntake::Outcome outcome = FolderIntake::evaluate(c.source, c.paths, ignoreList);
        EXPECT_EQ(outcome.accepted, c.accepted);
        EXPECT_EQ(outcome.alert(), c.alert);
    }
}

TEST_F(FolderIntakeTest, AlertTextAndDelayFollowTheRefusalAndTheSource)
{
    struct Case
    {
        Source source;
        Refusal refusal;
        const char *key;
        int delay;
    };
    const Case cases[] = {
        {Source::Panel, Refusal::NotAdded, "IDS_TMR_74_1", 0},
        {Source::Panel, Refusal::Excluded, "IDS_TMR_186", 500},
        {Source::Panel, Refusal::ParentExcluded, "IDS_TMR_187", 500},
        {Source::Drop, Refusal::NotAdded, "IDS_TMR_74_1", 1000},
        {Source::Drop, Refusal::Excluded, "IDS_TMR_186", 1000},
        {Source::Drop, Refusal::ParentExcluded, "IDS_TMR_187", 1000},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FolderIntake::alertInformativeKey(c.refusal), QLatin1String(c.key));
        EXPECT_EQ(FolderIntake::alertDelayMilliseconds(c.source, c.refusal), c.delay);
    }
}

TEST_F(FolderIntakeTest, PanelOffersFoldersAndPhotosLibrariesOnly)
{
    EXPECT_TRUE(FolderIntake::panelShouldEnable(path("a")));
    EXPECT_TRUE(FolderIntake::panelShouldEnable(path("Lib.photoslibrary")));
    EXPECT_TRUE(FolderIntake::panelShouldEnable(path("Other.PhotosLibrary")));
    EXPECT_FALSE(FolderIntake::panelShouldEnable(path("file.txt")));
    EXPECT_FALSE(FolderIntake::panelShouldEnable(path("gone")));
}

} // namespace
