#include <ProcessState.h>
#include <SettingsStore.h>
#include <TestEnvironment.h>
#include <UserDefaults.h>

#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::standard().setFilePath(TestEnvironment::makeTemporaryFolder("settings") + "/defaults.plist");
        allExtensions().clear();
        allIgnorePaths().clear();
        removalMode() = MovingType::Trash();
        minimumFileSize = 1024;
        confirmBeforeDeletingPhotosEnabled = true;
        backToHomeAlertEnabled = true;
    }

    static void store(const QString &key, const QVariant &value) { UserDefaults::standard().setObject(key, value); }
    static QVariant stored(const QString &key) { return UserDefaults::standard().object(key); }

    static QStringList extensionNames()
    {
        QStringList names;
        for (const auto &entry : allExtensions())
            names.append(entry.name);
        return names;
    }
    static QList<bool> extensionStates()
    {
        QList<bool> states;
        for (const auto &entry : allExtensions())
            states.append(entry.isChecked);
        return states;
    }
    static QStringList pathTexts()
    {
        QStringList paths;
        for (const auto &entry : allIgnorePaths())
            paths.append(entry.url->toLocalFile());
        return paths;
    }
    static QList<bool> pathStates()
    {
        QList<bool> states;
        for (const auto &entry : allIgnorePaths())
            states.append(entry.isChecked);
        return states;
    }
};

} // namespace

TEST_F(SettingsStoreTest, NothingStoredGivesDefaultsAndStoresOnlyTheLaunchValues)
{
    loadSettingsAtLaunch();
    EXPECT_EQ(extensionNames(), defaultIgnoredExtensions());
    EXPECT_EQ(extensionStates(), QList<bool>(50, true));
    EXPECT_EQ(pathTexts(), defaultIgnorePaths());
    EXPECT_EQ(removalMode(), MovingType::Trash());
    EXPECT_EQ(minimumFileSize, 1024u);
    EXPECT_EQ(stored("MinimumFileSizeTMR").toULongLong(), 1024u);
    EXPECT_EQ(stored("MinimumFileSizeTypeTMR").toString(), "KB");
    EXPECT_EQ(stored("confirmBeforeDeletingPhotos"), QVariant(true));
    EXPECT_EQ(stored("backToHomeAlert"), QVariant(true));
    EXPECT_EQ(stored("disablePieChartAnimation"), QVariant(false));
    EXPECT_FALSE(stored("IgnoreExtensionsTMR").isValid());
    EXPECT_FALSE(stored("RemovableTypeTMR").isValid());

    loadIgnoreLists();
    EXPECT_EQ(extensionNames().size(), 50);
    EXPECT_EQ(pathTexts(), defaultIgnorePaths());
}

TEST_F(SettingsStoreTest, StateArraysOfOtherLengths)
{
    struct Case { const char *name; QVariant states; QList<bool> expected; };
    const Case cases[] = {
        {"shorter", QVariantList{false}, {false, true, true}},
        {"longer", QVariantList{false, true, false, false, false}, {false, true, false}},
        {"not bools", QVariantList{0, 1, 0}, {true, true, true}},
        {"not an array", QStringLiteral("false"), {true, true, true}},
        {"exact", QVariantList{true, false, true}, {true, false, true}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        store("IgnoreExtensionsTMR", QStringList{"tmp", "PDF", "log"});
        store("kIgnoreExtensionsStateTMR", c.states);
        store("IgnorePathsTMR", QStringList{"/a", "/b", "/c"});
        store("kIgnorePathsStateTMR", c.states);
        loadIgnoreLists();
        EXPECT_EQ(extensionNames(), QStringList({"tmp", "PDF", "log"}));
        EXPECT_EQ(extensionStates(), c.expected);
        EXPECT_EQ(pathTexts(), QStringList({"/a", "/b", "/c"}));
        EXPECT_EQ(pathStates(), c.expected);
    }
}

TEST_F(SettingsStoreTest, EachBuiltInListStandsInOnlyForItsOwnAbsentOrMalformedKey)
{
    const QStringList extensionDefaults = defaultIgnoredExtensions();
    const QStringList pathDefaults = defaultIgnorePaths();
    struct Case { const char *name; QVariant extensions; QVariant paths; QStringList expectedExtensions; QStringList expectedPaths; };
    const Case cases[] = {
        {"both empty stay empty", QStringList(), QStringList(), {}, {}},
        {"empty extensions, stored paths", QStringList(), QStringList{"/usr", "/mine"}, {}, {"/usr", "/mine"}},
        {"stored extensions, paths absent", QStringList{"tmp"}, QVariant(), {"tmp"}, pathDefaults},
        {"extensions not texts", QVariantList{1, 2}, QStringList{"/mine"}, extensionDefaults, {"/mine"}},
        {"extensions of another type", 7, QStringList(), extensionDefaults, {}},
        {"paths not texts", QStringList{"log"}, QVariantList{true}, {"log"}, pathDefaults},
        {"both absent", QVariant(), QVariant(), extensionDefaults, pathDefaults},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        UserDefaults::standard().removeObject("IgnoreExtensionsTMR");
        UserDefaults::standard().removeObject("IgnorePathsTMR");
        if (c.extensions.isValid())
            store("IgnoreExtensionsTMR", c.extensions);
        if (c.paths.isValid())
            store("IgnorePathsTMR", c.paths);
        loadIgnoreLists();
        EXPECT_EQ(extensionNames(), c.expectedExtensions);
        EXPECT_EQ(pathTexts(), c.expectedPaths);
        // What the user emptied stays empty through a save and the next load.
        saveIgnoreLists();
        loadIgnoreLists();
        EXPECT_EQ(extensionNames(), c.expectedExtensions);
        EXPECT_EQ(pathTexts(), c.expectedPaths);
    }
}

TEST_F(SettingsStoreTest, SaveThenLoadRoundTrips)
{
    allExtensions() = {{true, "tmp"}, {false, "Log"}};
    allIgnorePaths() = {{false, QUrl::fromLocalFile("/x y")}, {true, QUrl::fromLocalFile("/z")}};
    saveIgnoreLists();
    allExtensions().clear();
    allIgnorePaths().clear();
    loadIgnoreLists();
    EXPECT_EQ(extensionNames(), QStringList({"tmp", "Log"}));
    EXPECT_EQ(extensionStates(), QList<bool>({true, false}));
    EXPECT_EQ(pathTexts(), QStringList({"/x y", "/z"}));
    EXPECT_EQ(pathStates(), QList<bool>({false, true}));

    restoreDefaultIgnoreLists();
    EXPECT_EQ(extensionNames(), defaultIgnoredExtensions());
    EXPECT_EQ(pathTexts(), defaultIgnorePaths());
    // Restoring does not write the store.
    EXPECT_EQ(UserDefaults::standard().stringArray("IgnoreExtensionsTMR"), QStringList({"tmp", "Log"}));
}

TEST_F(SettingsStoreTest, RemovalModeTable)
{
    struct Case { const char *name; QVariant type; QVariant path; QVariant overwrite; MovingType expected; };
    const MovingType keep = MovingType::Permanently();
    const Case cases[] = {
        {"absent", QVariant(), QVariant(), QVariant(), MovingType::Trash()},
        {"integer", 1, QVariant(), QVariant(), MovingType::Trash()},
        {"1", "1", QVariant(), QVariant(), MovingType::Trash()},
        {"2", "2", QVariant(), QVariant(), MovingType::Permanently()},
        {"3 with nothing else", "3", QVariant(), QVariant(), MovingType::Folder("", true)},
        {"3 with path", "3", "/dest", false, MovingType::Folder("/dest", false)},
        {"3 with wrong types", "3", 5, "no", MovingType::Folder("", true)},
        {"4 keeps", "4", QVariant(), QVariant(), keep},
        {"empty keeps", "", QVariant(), QVariant(), keep},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        UserDefaults::standard().removeObject("RemovableTypeTMR");
        UserDefaults::standard().removeObject("RemovablePathTMR");
        UserDefaults::standard().removeObject("RemovableIsPathWriteTMR");
        if (c.type.isValid())
            store("RemovableTypeTMR", c.type);
        if (c.path.isValid())
            store("RemovablePathTMR", c.path);
        if (c.overwrite.isValid())
            store("RemovableIsPathWriteTMR", c.overwrite);
        removalMode() = keep;
        loadRemovalSettings();
        EXPECT_EQ(removalMode(), c.expected);
    }
}

TEST_F(SettingsStoreTest, SaveRemovalSettingsWritesThreeKeys)
{
    const std::tuple<MovingType, const char *, const char *, bool> cases[] = {
        {MovingType::Trash(), "1", "", true},
        {MovingType::Permanently(), "2", "", true},
        {MovingType::Folder("/d", false), "3", "/d", false},
    };
    for (const auto &[mode, type, path, overwrite] : cases) {
        removalMode() = mode;
        saveRemovalSettings();
        EXPECT_EQ(stored("RemovableTypeTMR").toString(), type);
        EXPECT_EQ(stored("RemovablePathTMR").toString(), path);
        EXPECT_EQ(stored("RemovableIsPathWriteTMR"), QVariant(overwrite));
        removalMode() = MovingType::Trash();
        loadRemovalSettings();
        EXPECT_EQ(removalMode(), mode);
    }
}

TEST_F(SettingsStoreTest, MinimumSizeOfWrongTypeOrSignIsReplaced)
{
    struct Case { const char *name; QVariant value; quint64 expected; bool replaced; };
    const Case cases[] = {
        {"stored", quint64(5 * 1024 * 1024), 5 * 1024 * 1024, false},
        {"zero", 0, 0, false},
        {"string", "2048", 1024, true},
        {"negative", -1, 1024, true},
        {"bool", true, 1024, true},
        {"real", 2048.5, 1024, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        store("MinimumFileSizeTMR", c.value);
        store("MinimumFileSizeTypeTMR", "MB");
        minimumFileSize = 7;
        registerMinimumFileSizeDefaults();
        EXPECT_EQ(minimumFileSize, c.expected);
        EXPECT_EQ(stored("MinimumFileSizeTypeTMR").toString(), c.replaced ? "KB" : "MB");
    }
}

TEST_F(SettingsStoreTest, AlertSwitches)
{
    store("confirmBeforeDeletingPhotos", false);
    store("backToHomeAlert", "yes");
    loadSettingsAtLaunch();
    EXPECT_FALSE(confirmBeforeDeletingPhotosEnabled);
    // A mistyped switch keeps its current value.
    EXPECT_TRUE(backToHomeAlertEnabled);

    backToHomeAlertEnabled = false;
    saveAlertSettings();
    EXPECT_EQ(stored("backToHomeAlert"), QVariant(false));
    EXPECT_EQ(stored("confirmBeforeDeletingPhotos"), QVariant(false));
}

TEST_F(SettingsStoreTest, IgnoreListOptionsHaveTwoRows)
{
    loadIgnoreListOptions();
    ASSERT_EQ(allOptions().size(), 2);
    EXPECT_EQ(allOptions().at(0).image, QStringLiteral("foldersfiles.png"));
    EXPECT_EQ(allOptions().at(1).image, QStringLiteral("extensions.png"));
}
