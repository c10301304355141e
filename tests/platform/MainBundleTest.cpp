#include <MainBundle.h>
#include <PropertyList.h>
#include <TestEnvironment.h>

#include <QFile>

#include <gtest/gtest.h>

TEST(MainBundle, InfoDictionaryCarriesTheProjectVersion)
{
    const auto info = MainBundle::infoDictionary();
    ASSERT_TRUE(info.has_value());
    EXPECT_FALSE(info->value("CFBundleShortVersionString").toString().isEmpty());
    EXPECT_FALSE(MainBundle::pathForResource("English", "plist").isEmpty());
    EXPECT_TRUE(MainBundle::pathForResource("Nothing", "plist").isEmpty());
    EXPECT_TRUE(MainBundle::pathForResource("", "plist").isEmpty());
}

TEST(MainBundle, OverrideFolderComesFirst)
{
    const QString folder = TestEnvironment::makeTemporaryFolder();
    QFile file(folder + "/English.plist");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PropertyList::toData(QVariantMap{{"IDS_TMR_1", "x"}}));
    file.close();
    MainBundle::setOverrideDirectory(folder);
    EXPECT_EQ(MainBundle::pathForResource("English", "plist"), folder + "/English.plist");
    MainBundle::setOverrideDirectory({});
    EXPECT_TRUE(MainBundle::pathForResource("English", "plist").startsWith(":/"));
}
