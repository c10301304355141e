#include <Localization.h>
#include <MainBundle.h>
#include <ProcessState.h>
#include <PropertyList.h>
#include <TestEnvironment.h>

#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeTable(const QString &folder, const QVariantMap &table, PropertyList::Format format)
{
    QFile file(folder + "/English.plist");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PropertyList::toData(table, format));
}

class LocalizationTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        MainBundle::setOverrideDirectory({});
        loadLocalizationTable();
    }
};

} // namespace

TEST_F(LocalizationTest, BundledTableHasTheTextsInUse)
{
    loadLocalizationTable();
    ASSERT_TRUE(localizedStrings().has_value());
    for (const char *key : {"IDS_TMR_35", "IDS_TMR_36", "IDS_TMR_62", "IDS_TMR_78", "IDS_TMR_80", "IDS_TMR_92",
                            "IDS_TMR_94", "IDS_TMR_103", "IDS_TMR_105", "IDS_TMR_109", "IDS_TMR_110",
                            "IDS_TMR_150", "IDS_TMR_153", "IDS_TMR_154", "IDS_TMR_155"})
        EXPECT_FALSE(localizedString(key).isEmpty()) << key;
}

TEST_F(LocalizationTest, LookupsInXmlAndBinaryTables)
{
    const QVariantMap table{{"IDS_TMR_36", "Extensions"},
                            {"IDS_TMR_5", "Five"},
                            {"IDS_TMR_40", 40},
                            {"IDS_TMR_41", QVariantList{"a"}},
                            {"IDS_TMR_36_1", "Suffix"}};
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        const QString folder = TestEnvironment::makeTemporaryFolder("table");
        writeTable(folder, table, format);
        MainBundle::setOverrideDirectory(folder);
        loadLocalizationTable();
        EXPECT_EQ(localizedString("IDS_TMR_36"), "Extensions");
        EXPECT_EQ(localizedText("IDS_TMR_36_1"), "Suffix");
        EXPECT_EQ(localizedString("IDS_TMR_35"), "");
        EXPECT_EQ(localizedString("IDS_TMR_40"), "");
        EXPECT_EQ(localizedString("IDS_TMR_41"), "");
        EXPECT_EQ(localizedString("ids_tmr_36"), "");
        EXPECT_EQ(localizedString("IDS_TMR_05"), "");
    }
}

TEST_F(LocalizationTest, MissingOrMalformedTableLeavesItAbsent)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("table");
    QFile file(folder + "/English.plist");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a list");
    file.close();
    MainBundle::setOverrideDirectory(folder);
    // The override holds a broken file, which is what the bundle then serves.
    loadLocalizationTable();
    EXPECT_FALSE(localizedStrings().has_value());
    EXPECT_EQ(localizedString("IDS_TMR_35"), "");

    writeTable(folder, QVariantMap(), PropertyList::Format::Xml);
    QFile::remove(folder + "/English.plist");
    QFile list(folder + "/English.plist");
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(PropertyList::toData(QVariantList{"IDS_TMR_35"}));
    list.close();
    loadLocalizationTable();
    EXPECT_FALSE(localizedStrings().has_value());
    EXPECT_FALSE(loadPlist("NoSuchTable").has_value());
}

TEST_F(LocalizationTest, FormatsFallBackOnBadEntries)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("table");
    writeTable(folder,
               {{"good", "%1 of %2"}, {"extra", "%1 of %3"}, {"short", "%1 only"}, {"plain", "no markers"}},
               PropertyList::Format::Xml);
    MainBundle::setOverrideDirectory(folder);
    loadLocalizationTable();
    EXPECT_EQ(localizedFormat("good", {"%2", "b"}, "fb"), "%2 of b");
    EXPECT_EQ(localizedFormat("extra", {"a", "b"}, "fb"), "fb");
    EXPECT_EQ(localizedFormat("short", {"a", "b"}, "fb"), "fb");
    EXPECT_EQ(localizedFormat("plain", {"a"}, "fb"), "fb");
    EXPECT_EQ(localizedFormat("missing", {}, "fb"), "fb");
}
