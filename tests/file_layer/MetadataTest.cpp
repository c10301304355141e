#include "FileLayerFixtures.h"
#include "TestEnvironment.h"

#include <FileFacts.h>
#include <KRBFileFunctions.h>
#include <Records.h>

#include <QCborValue>
#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Fixtures;

namespace {

FileIdentity identityOf(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

Metadata sampleMetadata()
{
    Metadata metadata;
    metadata.name = QString::fromUtf8("Urlaub \xc3\xbc.JPG");
    metadata.date = QDateTime::fromMSecsSinceEpoch(1600000000123LL, Qt::UTC);
    metadata.size = 18446744073709551000ULL; // beyond the signed range
    metadata.icon = QStringLiteral("image/jpeg");
    metadata.isFolder = false;
    metadata.url = QUrl::fromLocalFile(QStringLiteral("/photos/Urlaub.JPG"));
    metadata.isIcon = true;
    return metadata;
}

void expectSameMetadata(const Metadata &actual, const Metadata &expected)
{
    EXPECT_EQ(actual.name, expected.name);
    EXPECT_EQ(actual.date, expected.date);
    EXPECT_EQ(actual.size, expected.size);
    EXPECT_EQ(actual.icon, expected.icon);
    EXPECT_EQ(actual.isFolder, expected.isFolder);
    EXPECT_EQ(actual.url, expected.url);
    EXPECT_EQ(actual.isIcon, expected.isIcon);
}

} // namespace

TEST(MetadataRecord, BuilderNamesDropOnlyTheLastExtension)
{
    KRBFileFunctions::initScan();
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("records"));
    writeFile(root + QStringLiteral("/Holiday.JPG"), patternBytes(42));
    writeFile(root + QStringLiteral("/archive.tar.gz"), patternBytes(7));
    writeFile(root + QStringLiteral("/README"), patternBytes(1));
    writeFile(root + QStringLiteral("/.profile"), patternBytes(1));
    writeBundle(root + QStringLiteral("/Tool.app"), QStringLiteral("com.example.tool"));
    writeFile(root + QStringLiteral("/Tool.app/Contents/MacOS/tool"), patternBytes(1000));

    struct Case
    {
        const char *file;
        const char *name;
    };
    const Case cases[] = {
        {"Holiday.JPG", "Holiday"},
        {"archive.tar.gz", "archive.tar"},
        {"Tool.app", "Tool"},
        {"README", "README"},
        {".profile", ".profile"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = root + QLatin1Char('/') + QLatin1String(c.file);
        const QUrl url = QUrl::fromLocalFile(path);
        const InitialDirectory record(url);
        EXPECT_EQ(record.name, QString::fromLatin1(c.name));
        EXPECT_EQ(record.url, url);
        EXPECT_FALSE(record.md5.has_value());
        EXPECT_FALSE(record.category.has_value());
        EXPECT_FALSE(record.isSelected);
        EXPECT_FALSE(record.isPhotoLibrary);
        EXPECT_FALSE(record.photoLibraryProperties.has_value());
        EXPECT_EQ(record.identity, identityOf(path));
        ASSERT_TRUE(record.file.has_value());
        EXPECT_EQ(record.file->name, QString::fromLatin1(c.file));
        EXPECT_EQ(record.file->url, url);
    }

    const InitialDirectory holiday(QUrl::fromLocalFile(root + QStringLiteral("/Holiday.JPG")));
    EXPECT_EQ(holiday.file->size, 42u);
    EXPECT_FALSE(holiday.file->isFolder);
    EXPECT_EQ(holiday.file->icon, QStringLiteral("image/jpeg"));
    EXPECT_TRUE(holiday.file->isIcon);
    EXPECT_EQ(holiday.file->date, fileModificationDate(root + QStringLiteral("/Holiday.JPG")));

    // A bundle is a folder measured by the folder-size walk.
    const InitialDirectory tool(QUrl::fromLocalFile(root + QStringLiteral("/Tool.app")));
    EXPECT_TRUE(tool.file->isFolder);
    EXPECT_EQ(tool.file->size, KRBFileFunctions::getFolderSize(root + QStringLiteral("/Tool.app")).toULongLong());
    EXPECT_GT(tool.file->size, 1000u);
}

TEST(MetadataRecord, AVanishedFileKeepsItsUrlAndNameButHasNoFacts)
{
    const QUrl url = QUrl::fromLocalFile(TestEnvironment::makeTemporaryFolder(QStringLiteral("gone")) + QStringLiteral("/gone.mov"));
    const InitialDirectory record(url);
    EXPECT_EQ(record.url, url);
    EXPECT_EQ(record.name, QStringLiteral("gone"));
    EXPECT_FALSE(record.file.has_value());
    EXPECT_FALSE(record.identity.has_value());
    EXPECT_FALSE(Metadata::fromFileURL(url).has_value());
    EXPECT_FALSE(Metadata::fromFileURL(QUrl(QStringLiteral("https://example.com/a.jpg"))).has_value());
}

TEST(MetadataRecord, ALinkIsDescribedByItself)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("link-record"));
    makeFolder(root + QStringLiteral("/folder"));
    writeFile(root + QStringLiteral("/folder/big"), patternBytes(5000));
    makeSymlink(root + QStringLiteral("/folder"), root + QStringLiteral("/link"));
    const auto metadata = Metadata::fromFileURL(QUrl::fromLocalFile(root + QStringLiteral("/link/")));
    ASSERT_TRUE(metadata.has_value());
    EXPECT_FALSE(metadata->isFolder);
    EXPECT_EQ(metadata->size, quint64(QFile::encodeName(root + QStringLiteral("/folder")).size()));
    EXPECT_EQ(metadata->icon, QStringLiteral("inode/symlink"));
}

TEST(MetadataCoding, RoundTripKeepsEveryCodedField)
{
    const Metadata metadata = sampleMetadata();
    const QCborMap map = metadata.encode();
    EXPECT_EQ(map.size(), 7);
    EXPECT_FALSE(map.contains(QStringLiteral("color")));
    EXPECT_EQ(map.value(QStringLiteral("icon")).toByteArray(), QByteArray("image/jpeg"));

    const auto decoded = Metadata::decode(map);
    ASSERT_TRUE(decoded.has_value());
    expectSameMetadata(*decoded, metadata);

    // Through the binary form as well.
    const auto reread = Metadata::decode(QCborValue::fromCbor(map.toCborValue().toCbor()).toMap());
    ASSERT_TRUE(reread.has_value());
    expectSameMetadata(*reread, metadata);

    Metadata small = metadata;
    small.size = 0;
    small.isFolder = true;
    const auto smallDecoded = Metadata::decode(small.encode());
    ASSERT_TRUE(smallDecoded.has_value());
    expectSameMetadata(*smallDecoded, small);
}

TEST(MetadataCoding, AbsentValuesAreWrittenAsNullAndCannotBeReadBack)
{
    Metadata withoutUrl = sampleMetadata();
    withoutUrl.url.reset();
    EXPECT_TRUE(withoutUrl.encode().value(QStringLiteral("url")).isNull());
    EXPECT_FALSE(Metadata::decode(withoutUrl.encode()).has_value());

    Metadata withoutIcon = sampleMetadata();
    withoutIcon.icon.clear();
    EXPECT_TRUE(withoutIcon.encode().value(QStringLiteral("icon")).isNull());
    EXPECT_FALSE(Metadata::decode(withoutIcon.encode()).has_value());
}

TEST(MetadataCoding, EveryKeyIsRequiredWithItsType)
{
    const QCborMap valid = sampleMetadata().encode();
    struct Case
    {
        const char *key;
        QCborValue replacement; // undefined: the key is removed
    };
    const Case cases[] = {
        {"name", QCborValue()},        {"name", QCborValue(12)},
        {"date", QCborValue()},        {"date", QCborValue(QStringLiteral("2020-01-01"))},
        {"size", QCborValue()},        {"size", QCborValue(-1)},
        {"size", QCborValue(1.5)},     {"icon", QCborValue()},
        {"icon", QCborValue(QStringLiteral("image/jpeg"))},
        {"isFolder", QCborValue()},    {"isFolder", QCborValue(1)},
        {"url", QCborValue()},         {"url", QCborValue(QStringLiteral("file:///a"))},
        {"isIcon", QCborValue()},      {"isIcon", QCborValue(nullptr)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.replacement.toDiagnosticNotation().toStdString());
        QCborMap broken = valid;
        if (c.replacement.isUndefined())
            broken.remove(QString::fromLatin1(c.key));
        else
            broken.insert(QString::fromLatin1(c.key), c.replacement);
        EXPECT_FALSE(Metadata::decode(broken).has_value());
    }
}

TEST(MetadataRecord, DirectoryListsVisibleChildrenWithPlainSizes)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("directory"));
    writeFile(root + QStringLiteral("/b.txt"), patternBytes(5));
    writeFile(root + QStringLiteral("/a/inner.bin"), patternBytes(5000));
    writeFile(root + QStringLiteral("/.hidden"), patternBytes(1));

    const Directory directory(QUrl::fromLocalFile(root));
    EXPECT_EQ(directory.url, QUrl::fromLocalFile(root));
    ASSERT_EQ(directory.files.size(), 2);
    EXPECT_EQ(directory.files[0].name, QStringLiteral("a"));
    EXPECT_TRUE(directory.files[0].isFolder);
    EXPECT_LT(directory.files[0].size, 5000u); // not the recursive total
    EXPECT_EQ(directory.files[1].name, QStringLiteral("b.txt"));
    EXPECT_EQ(directory.files[1].size, 5u);
    EXPECT_FALSE(directory.files[1].isIcon);
    EXPECT_EQ(directory.files[1].url, QUrl::fromLocalFile(root + QStringLiteral("/b.txt")));

    EXPECT_EQ(fileOrderFromRawValue(QStringLiteral("Size")), Directory::FileOrder::Size);
    EXPECT_FALSE(fileOrderFromRawValue(QStringLiteral("size")).has_value());
    EXPECT_EQ(rawValue(Directory::FileOrder::Date), QStringLiteral("Date"));
}
