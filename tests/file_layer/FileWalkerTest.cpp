#include "FileLayerFixtures.h"
#include "TestEnvironment.h"

#include <FileFacts.h>
#include <FileWalker.h>
#include <ScanControl.h>
#include <ScanPaths.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Fixtures;

namespace {

QStringList relativePaths(const QString &root, const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls)
        paths.append(url.toLocalFile().mid(root.size() + 1));
    return paths;
}

QStringList walkedPaths(const QString &root, const QString &walkRoot, ScanControl *control = nullptr)
{
    QStringList paths;
    walkFiles(walkRoot, control, [&](const WalkedFile &file) { paths.append(file.path.mid(root.size() + 1)); });
    return paths;
}

// One tree with every kind of item the scan must take, leave out or take whole.
class ScanTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = TestEnvironment::makeTemporaryFolder(QStringLiteral("walk"));
        const auto file = [this](const QString &relative, qint64 size = 3) {
            writeFile(root + QLatin1Char('/') + relative, patternBytes(size));
        };
        file(QStringLiteral("a.txt"), 11);
        file(QStringLiteral("Z-last.txt"));
        file(QStringLiteral(".hidden.txt"));
        file(QStringLiteral(".hiddenDir/inside.txt"));
        writeBundle(root + QStringLiteral("/B.app"), QStringLiteral("com.example.b"));
        file(QStringLiteral("B.app/Contents/MacOS/b"));
        file(QStringLiteral("C.app/Contents/Resources/no-info-list.txt"));
        file(QStringLiteral("X.APP/f.txt"));
        file(QStringLiteral("x.app"));
        file(QStringLiteral("L.photoslibrary/database/photos.db"));
        file(QStringLiteral("Photo Booth Library/Pictures/p.jpg"));
        file(QStringLiteral("Photo Booth Library/y.app"));
        makeFolder(root + QStringLiteral("/Photo Booth Library/Inner.app/Contents"));
        file(QStringLiteral("docs/PHOTO BOOTH LIBRARY/q.txt"));
        file(QStringLiteral("docs/letter.doc"));
        file(QStringLiteral("iTunes/song.mp3"));
        file(QStringLiteral("itunes.txt"));
        file(QStringLiteral("MyiTunes/kept.mp3"));
        file(QStringLiteral("sub/z.bin"));
        file(QStringLiteral("sub/deeper/y.txt"));
        file(QString::fromUtf8("caf\xc3\xa9/\xc3\xbc.txt"));
        makeFolder(root + QStringLiteral("/empty"));
        makeSymlink(root + QStringLiteral("/a.txt"), root + QStringLiteral("/link-to-file"));
        makeSymlink(root + QStringLiteral("/sub"), root + QStringLiteral("/link-to-folder"));
        makeSymlink(root + QStringLiteral("/B.app"), root + QStringLiteral("/link.app"));
        makeFifo(root + QStringLiteral("/fifo"));
        makeFifo(root + QStringLiteral("/fifo.app"));
    }

    QString root;
};

} // namespace

TEST_F(ScanTree, ListsRegularFilesAndBundlesInByteOrder)
{
    const QStringList expected{
        QStringLiteral("B.app"),
        QStringLiteral("C.app"),
        QStringLiteral("MyiTunes/kept.mp3"),
        QStringLiteral("Photo Booth Library/Inner.app"),
        QStringLiteral("Photo Booth Library/y.app"),
        QStringLiteral("Z-last.txt"),
        QStringLiteral("a.txt"),
        QString::fromUtf8("caf\xc3\xa9/\xc3\xbc.txt"),
        QStringLiteral("docs/letter.doc"),
        QStringLiteral("sub/deeper/y.txt"),
        QStringLiteral("sub/z.bin"),
        QStringLiteral("x.app"),
        QStringLiteral("x.app"),
    };
    const auto listed = enumerateFiles(QUrl::fromLocalFile(root));
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(relativePaths(root, *listed), expected);
    EXPECT_EQ(walkedPaths(root, root), expected);
}

TEST_F(ScanTree, TheFilteredWalkKeepsTheWalkOrderOnAnyNumberOfThreads)
{
    // More folders than threads, at several depths, so that the threads
    // finish them in an order of their own.
    for (int f = 0; f < 12; ++f) {
        for (int d = 0; d < 3; ++d)
            writeFile(root + QStringLiteral("/many/%1/%2/f.bin").arg(f).arg(d), patternBytes(2000 + f));
        writeFile(root + QStringLiteral("/many/%1/small.bin").arg(f), patternBytes(5));
    }
    struct Case
    {
        const char *name;
        quint64 minimumSize;
        QStringList extensions;
        QStringList ignored; // relative to the root
    };
    const Case cases[] = {
        {"no filter", 0, {}, {}},
        {"size: bundles are never measured", 1024, {}, {}},
        {"extensions, in any case", 0, {QStringLiteral("txt"), QStringLiteral("bin")}, {}},
        {"ignored folders and files", 0, {}, {QStringLiteral("many/3"), QStringLiteral("a.txt"), QStringLiteral("B.app")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScanWalkFilter filter;
        filter.minimumSize = c.minimumSize;
        filter.ignoredExtensions = c.extensions;
        QList<AllIgnorePaths> ignore;
        for (const QString &path : c.ignored)
            ignore.append({true, QUrl::fromLocalFile(root + QLatin1Char('/') + path)});
        filter.ignore = IgnoreRules(ignore);

        // The one-thread walk and the rule, item by item.
        QStringList expected;
        QList<quint32> expectedOrdinals;
        quint32 ordinal = 0;
        walkFiles(root, nullptr, [&](const WalkedFile &file) {
            const QString extension = lastPathExtension(file.path);
            const bool bundle = extension == QLatin1String("app");
            if (!filter.ignore.covers(file.path) && (bundle || (file.size > c.minimumSize && !c.extensions.contains(extension.toLower())))) {
                expected.append(file.path.mid(root.size() + 1));
                expectedOrdinals.append(ordinal);
            }
            ++ordinal;
        });
        for (int threads : {1, 3, 8}) {
            SCOPED_TRACE(threads);
            CandidateList list;
            quint64 visits = 0;
            ASSERT_TRUE(walkScanCandidates(root, nullptr, filter, threads, list, visits));
            QStringList kept;
            QList<quint32> ordinals;
            for (const Candidate &candidate : list.entries) {
                kept.append(list.path(candidate).mid(root.size() + 1));
                ordinals.append(candidate.ordinal);
            }
            EXPECT_EQ(kept, expected);
            EXPECT_EQ(ordinals, expectedOrdinals);
            EXPECT_EQ(visits, ordinal);
        }
    }
}

TEST_F(ScanTree, WalkedFilesCarryTheItemsOwnFacts)
{
    QList<WalkedFile> files;
    ASSERT_TRUE(walkFiles(root, nullptr, [&](const WalkedFile &file) { files.append(file); }));
    for (const WalkedFile &file : std::as_const(files)) {
        SCOPED_TRACE(file.path.toStdString());
        struct stat status {};
        ASSERT_EQ(::lstat(QFile::encodeName(file.path).constData(), &status), 0);
        EXPECT_EQ(file.size, quint64(status.st_size));
        EXPECT_EQ(file.identity, (FileIdentity{quint64(status.st_dev), quint64(status.st_ino)}));
        EXPECT_EQ(file.isDirectory, S_ISDIR(status.st_mode));
    }
    ASSERT_GE(files.size(), 7);
    EXPECT_TRUE(files[0].isDirectory); // B.app, measured by its own status only
    EXPECT_EQ(files[6].size, 11u);     // a.txt
}

TEST_F(ScanTree, RootsAreWalkedByTheirOwnRules)
{
    struct Case
    {
        const char *root;
        std::optional<QStringList> expected;
    };
    const Case cases[] = {
        // A bundle chosen as a root is one candidate, whatever it holds.
        {"B.app", QStringList{QStringLiteral("B.app")}},
        {"missing/Gone.app", QStringList{QStringLiteral("missing/Gone.app")}},
        // Other packages chosen as roots are walked like folders.
        {"X.APP", QStringList{QStringLiteral("X.APP/f.txt")}},
        {"L.photoslibrary", QStringList{QStringLiteral("L.photoslibrary/database/photos.db")}},
        {"sub/", QStringList{QStringLiteral("sub/deeper/y.txt"), QStringLiteral("sub/z.bin")}},
        // The root's own name is not tested, the paths of its files are.
        {"iTunes", QStringList{}},
        // A root link leads to the folder the user chose.
        {"link-to-folder", QStringList{QStringLiteral("link-to-folder/deeper/y.txt"), QStringLiteral("link-to-folder/z.bin")}},
        {"empty", QStringList{}},
        {"missing", std::nullopt},
        {"a.txt", std::nullopt},
        {"fifo", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.root);
        const auto listed = enumerateFiles(QUrl::fromLocalFile(root + QLatin1Char('/') + QLatin1String(c.root)));
        ASSERT_EQ(listed.has_value(), c.expected.has_value());
        if (listed) {
            EXPECT_EQ(relativePaths(root, *listed), *c.expected);
        }
    }
    EXPECT_FALSE(enumerateFiles(QUrl(QStringLiteral("https://example.com/folder"))).has_value());
}

TEST_F(ScanTree, AStopReturnsWhatWasFoundBeforeIt)
{
    ScanControl control;
    QStringList seen;
    EXPECT_TRUE(walkFiles(root, &control, [&](const WalkedFile &file) {
        seen.append(file.path.mid(root.size() + 1));
        if (seen.size() == 3)
            control.setAbort(true);
    }));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("B.app"), QStringLiteral("C.app"), QStringLiteral("MyiTunes/kept.mp3")}));

    // Stopped before it starts: an empty list, not a failure.
    const auto listed = enumerateFiles(QUrl::fromLocalFile(root), &control);
    ASSERT_TRUE(listed.has_value());
    EXPECT_TRUE(listed->isEmpty());
}

TEST(FileWalker, AFileThatVanishesBeforeItsFactsIsPassedOver)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("vanish"));
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        writeFile(root + QLatin1Char('/') + QLatin1String(name), "x");
    // The folder's names are read before any file's facts: deleting b while a
    // is visited leaves b listed in the folder but gone when its turn comes.
    QStringList seen;
    ASSERT_TRUE(walkFiles(root, nullptr, [&](const WalkedFile &file) {
        seen.append(file.path.mid(root.size() + 1));
        if (file.path.endsWith(QStringLiteral("/a.txt")))
            QFile::remove(root + QStringLiteral("/b.txt"));
    }));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt")}));
}

TEST(FileWalker, AllRegularFilesIncludesHiddenFilesAndPackageContents)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("all"));
    writeFile(root + QStringLiteral("/.hidden"), "1");
    writeFile(root + QStringLiteral("/T.app/Contents/Info.plist"), "2");
    writeFile(root + QStringLiteral("/iTunes/s.mp3"), "3");
    writeFile(root + QStringLiteral("/x.app"), "4");
    makeSymlink(root + QStringLiteral("/x.app"), root + QStringLiteral("/link"));
    makeFifo(root + QStringLiteral("/fifo"));

    QStringList seen;
    ASSERT_TRUE(walkAllRegularFiles(root, [&](const QString &path) { seen.append(path.mid(root.size() + 1)); }));
    EXPECT_EQ(seen, (QStringList{QStringLiteral(".hidden"), QStringLiteral("T.app/Contents/Info.plist"),
                                 QStringLiteral("iTunes/s.mp3"), QStringLiteral("x.app")}));
}

TEST(FileWalker, PathTextsAreMatchedInAnyLetterCaseAcrossTheWholePath)
{
    // The excluded texts may lie in the root's own path too.
    const QString parent = TestEnvironment::makeTemporaryFolder(QStringLiteral("itunes"));
    const QString root = parent + QStringLiteral("/ITUNES backup");
    writeFile(root + QStringLiteral("/song.mp3"), "x");
    makeFolder(root + QStringLiteral("/Player.app"));
    const auto listed = enumerateFiles(QUrl::fromLocalFile(root));
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(relativePaths(root, *listed), QStringList{QStringLiteral("Player.app")});
}

TEST(FileWalker, PathExtensionRules)
{
    struct Case
    {
        const char *path;
        const char *extension;
        const char *name;
    };
    const Case cases[] = {
        {"/p/Holiday.JPG", "JPG", "Holiday"},
        {"/p/archive.tar.gz", "gz", "archive.tar"},
        {"/p/Tool.app/", "app", "Tool"},
        {"/p/README", "", "README"},
        {"/p/.profile", "", ".profile"},
        {"/p/.config.json", "json", ".config"},
        {"/p/ends-with.", "", "ends-with."},
        {"/p.d/file", "", "file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(pathExtension(QString::fromUtf8(c.path)), QString::fromUtf8(c.extension));
        EXPECT_EQ(nameWithoutExtension(QString::fromUtf8(c.path)), QString::fromUtf8(c.name));
    }
}
