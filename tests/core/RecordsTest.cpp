#include <Records.h>

#include <gtest/gtest.h>

TEST(Records, RawValuesMatchExactly)
{
    struct Case { const char *text; std::optional<ScanResultKeys> key; std::optional<Duplicates> duplicate; };
    const Case cases[] = {
        {"Photos", ScanResultKeys::Photos, Duplicates::_Photos},
        {"photos", std::nullopt, std::nullopt},
        {"Musics", ScanResultKeys::Musics, std::nullopt},
        {"Music", std::nullopt, Duplicates::_Music},
        {"Applications", ScanResultKeys::Application, Duplicates::_Applications},
        {"Application", std::nullopt, std::nullopt},
        {"None", ScanResultKeys::None, std::nullopt},
        {"Others ", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(scanResultKeysFromRawValue(c.text), c.key);
        EXPECT_EQ(duplicatesFromRawValue(c.text), c.duplicate);
        if (c.key) {
            EXPECT_EQ(rawValue(*c.key), QString(c.text));
        }
        if (c.duplicate) {
            EXPECT_EQ(rawValue(*c.duplicate), QString(c.text));
        }
    }
}

TEST(Records, NewFileInfoHasNoCategoryAndIsNotSelected)
{
    FileInfo info;
    EXPECT_FALSE(info.category.has_value());
    EXPECT_FALSE(info.isSelected);
    EXPECT_FALSE(info.isPhotoLibrary);
}

TEST(Records, PhotoLibraryPropertiesCoding)
{
    PhotoLibraryProperties properties{"m", "2020/a.jpg", "2048", "v", "model", "a.jpg", "avm"};
    const QCborMap map = properties.encode();
    EXPECT_EQ(map.size(), 7);
    EXPECT_EQ(map.value(QStringLiteral("RKVuuid")).toString(), QStringLiteral("v"));
    EXPECT_EQ(PhotoLibraryProperties::decode(map), properties);

    QCborMap missing = map;
    missing.remove(QStringLiteral("RKAVMId"));
    EXPECT_FALSE(PhotoLibraryProperties::decode(missing).has_value());
    QCborMap wrongType = map;
    wrongType.insert(QStringLiteral("RKMFilSize"), 2048);
    EXPECT_FALSE(PhotoLibraryProperties::decode(wrongType).has_value());

    EXPECT_EQ(photoCodingKeyFromString("RKVuuid"), PhotoLibraryProperties::CodingKeys::RKVuuid);
    EXPECT_FALSE(photoCodingKeyFromString("rkvuuid").has_value());
    EXPECT_EQ(stringValue(PhotoLibraryProperties::CodingKeys::RKMFilSize), QStringLiteral("RKMFilSize"));
    EXPECT_EQ(metadataCodingKeyFromString("isIcon"), Metadata::CodingKeys::isIcon);
    EXPECT_FALSE(metadataCodingKeyFromString("color").has_value());
}

TEST(Records, MovingTypeCases)
{
    EXPECT_EQ(MovingType(), MovingType::Trash());
    EXPECT_EQ(MovingType::Folder("/x", false).path, QStringLiteral("/x"));
    EXPECT_NE(MovingType::Folder("/x", false), MovingType::Folder("/x", true));
}
