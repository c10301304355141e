#include <ProcessState.h>
#include <UserInfo.h>

#include <gtest/gtest.h>

#include <optional>

TEST(ProcessState, InitialValuesBeforeSettingsAreLoaded)
{
    EXPECT_EQ(minimumFileSize, 1024u);
    EXPECT_EQ(removalMode(), MovingType::Trash());
    EXPECT_TRUE(confirmBeforeDeletingPhotosEnabled);
    EXPECT_TRUE(backToHomeAlertEnabled);
    EXPECT_TRUE(allIgnorePaths().isEmpty());
    EXPECT_TRUE(allExtensions().isEmpty());
    EXPECT_TRUE(duplicateResults().isEmpty());
    EXPECT_EQ(languageNames(), QStringList{"English"});
}

TEST(ProcessState, DefaultListsFollowTheHomeFolder)
{
    EXPECT_EQ(defaultIgnoredExtensions().size(), 50);
    EXPECT_EQ(defaultIgnoredExtensions().first(), "a");
    EXPECT_EQ(defaultIgnoredExtensions().last(), "crt");
    const QString home = UserInfo::homeDirectory();
    EXPECT_EQ(defaultIgnorePaths(), QStringList({"/usr", home + "/.local/share", home + "/.local/share/Trash",
                                                 home + "/Dropbox", "/proc", "/sys", "/dev"}));
    EXPECT_EQ(photosDatabasePath(), home + "/Pictures/Photos Library.photoslibrary/database/photos.db");
    EXPECT_EQ(photosDatabaseWalPath(), photosDatabasePath() + "-wal");
    EXPECT_EQ(photosDatabaseCopyPath(), qEnvironmentVariable("XDG_CACHE_HOME") + "/twinmoor/photosTempTMR.db");
}

TEST(ProcessState, DefaultIgnorePathsNameTheDataHomeInUse)
{
    const QString home = UserInfo::homeDirectory();
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    struct Case
    {
        const char *name;
        std::optional<QByteArray> dataHome;
        QString expected;
    };
    const Case cases[] = {
        {"unset", std::nullopt, home + "/.local/share"},
        {"empty", QByteArray(), home + "/.local/share"},
        {"elsewhere", "/srv/data/alice", "/srv/data/alice"},
        {"elsewhere, with a trailing slash", "/srv/data/alice/", "/srv/data/alice"},
        {"relative, which does not count", "data", home + "/.local/share"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.dataHome)
            qputenv("XDG_DATA_HOME", *c.dataHome);
        else
            qunsetenv("XDG_DATA_HOME");
        EXPECT_EQ(defaultIgnorePaths(), QStringList({"/usr", c.expected, c.expected + "/Trash", home + "/Dropbox",
                                                     "/proc", "/sys", "/dev"}));
    }
    qputenv("XDG_DATA_HOME", saved);
}

TEST(ProcessState, RemovalTalliesCountOnlyTheSevenNames)
{
    resetRemovedItemTallies();
    Metadata file;
    file.size = 100;
    tallyRemovedItem("Musics", file);
    tallyRemovedItem("Musics", std::nullopt);
    tallyRemovedItem("Music", file);
    tallyRemovedItem("None", file);
    int total = 0;
    for (const ItemTally &tally : removedItemTallies()) {
        total += tally.count;
        if (tally.name == "Musics") {
            EXPECT_EQ(tally.count, 2);
            EXPECT_EQ(tally.bytes, 100u);
        }
    }
    EXPECT_EQ(total, 2);
    EXPECT_EQ(removedItemTallies().size(), 7);
    resetRemovedItemTallies();
}

TEST(ProcessState, ResultDictionaryKeepsKeyOrder)
{
    ResultDictionary results;
    results.setValue("Photos", {});
    results.setValue("Videos", {{InitialDirectory()}});
    results.setValue("Photos", {{InitialDirectory(), InitialDirectory()}});
    EXPECT_EQ(results.keys(), QStringList({"Photos", "Videos"}));
    EXPECT_EQ(results.value("Photos")->first().size(), 2);
    EXPECT_FALSE(results.value("Musics").has_value());
    results.remove("Photos");
    EXPECT_EQ(results.keys(), QStringList({"Videos"}));
}

TEST(ProcessState, SiblingPagesCarryTheCampaignQuery)
{
    ASSERT_EQ(siblingCampaignURLs().size(), 3);
    for (const QUrl &url : siblingCampaignURLs())
        EXPECT_EQ(url.query(), "utm_source=tmr&utm_campaign=tmr_build");
    EXPECT_TRUE(blogURL()->toString().endsWith("?utm_source=tmrmac"));
}
