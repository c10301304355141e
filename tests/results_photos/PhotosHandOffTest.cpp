#include <KRBObjectiveCMethods.h>
#include <LoginItems.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A Photos application that records what it was asked.
class FakePhotos : public PhotosScripting::PhotosApplication
{
public:
    bool albumPresent = false;
    bool scriptCreatesAlbum = true;
    bool addSucceeds = true;
    int scriptsRun = 0;
    QStringList added;
    int addCalls = 0;

    bool albumExists(const QString &albumName) override
    {
        return albumPresent && albumName == QLatin1String("Trash (Twinmoor)");
    }
    bool runScript(const QString &source) override
    {
        ++scriptsRun;
        if (scriptCreatesAlbum && source.contains(QLatin1String("\"Trash (Twinmoor)\"")))
            albumPresent = true;
        return scriptCreatesAlbum;
    }
    bool addMediaItems(const QStringList &identifiers, const QString &albumName) override
    {
        ++addCalls;
        if (!albumExists(albumName) || !addSucceeds)
            return false;
        added += identifiers;
        return true;
    }
};

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

} // namespace

TEST(PhotosHandOff, ThisSystemHasNoPhotosApplication)
{
    EXPECT_FALSE(PhotosScripting::isPhotosRunning());
    EXPECT_FALSE(KRBObjectiveCMethods().movePhotosInPhotoLibrary({QStringLiteral("v-1")}));
    EXPECT_FALSE(KRBObjectiveCMethods().movePhotosInPhotoLibrary({}));
}

TEST(PhotosHandOff, AddsToTheAlbumAndSaysWhetherEveryItemArrived)
{
    struct Case
    {
        const char *name;
        bool albumPresent;
        bool scriptCreatesAlbum;
        bool addSucceeds;
        QStringList identifiers;
        bool handedOver;
        int scriptsRun;
        QStringList added;
    };
    const QStringList two{QStringLiteral("v-1"), QStringLiteral("v-2")};
    const Case cases[] = {
        {"album exists: no script", true, true, true, two, true, 0, two},
        {"album created first", false, true, true, two, true, 1, two},
        {"empty list still reaches the album", false, true, true, {}, true, 1, {}},
        {"album cannot be created", false, false, true, two, false, 1, {}},
        {"Photos refuses the items", true, true, false, two, false, 0, {}},
        {"an item without identifier", true, true, true, {QStringLiteral("v-1"), QString()}, false, 0,
         {QStringLiteral("v-1")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto photos = std::make_shared<FakePhotos>();
        photos->albumPresent = c.albumPresent;
        photos->scriptCreatesAlbum = c.scriptCreatesAlbum;
        photos->addSucceeds = c.addSucceeds;

        EXPECT_EQ(KRBObjectiveCMethods(photos).movePhotosInPhotoLibrary(c.identifiers), c.handedOver);
        EXPECT_EQ(photos->scriptsRun, c.scriptsRun);
        EXPECT_EQ(photos->added, c.added);
    }
}

class LoginItem : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(LoginItems::autostartEntryPath()); }
    void TearDown() override { QFile::remove(LoginItems::autostartEntryPath()); }
};

TEST_F(LoginItem, TheEntryLivesInTheAutostartFolder)
{
    EXPECT_EQ(LoginItems::autostartEntryPath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/twinmoor.desktop"));
}

TEST_F(LoginItem, OnlyAnEntryInForceIsRemoved)
{
    const struct
    {
        const char *name;
        const char *entry; // nothing: no file
        bool removed;
    } cases[] = {
        {"absent", nullptr, false},
        {"present", "[Desktop Entry]\nType=Application\nExec=twinmoor\n", true},
        {"hidden", "[Desktop Entry]\nType=Application\nHidden = true\nExec=twinmoor\n", false},
        {"hidden only in another group", "[Desktop Entry]\nExec=twinmoor\n[Desktop Action x]\nHidden=true\n", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = LoginItems::autostartEntryPath();
        QFile::remove(path);
        if (c.entry)
            writeFile(path, c.entry);

        const std::optional<QString> removed = KRBObjectiveCMethods().itemRefInLoginItems();

        EXPECT_EQ(removed.has_value(), c.removed);
        if (c.removed) {
            EXPECT_EQ(*removed, path);
        }
        EXPECT_EQ(QFileInfo::exists(path), c.entry && !c.removed) << "a hidden entry is left as it is";
        EXPECT_FALSE(LoginItems::isLoginItem());
    }
}

TEST_F(LoginItem, AddingWritesOneEntryThatRunsTheExecutable)
{
    const QString executable = QStringLiteral("/opt/My $Apps/twin\"moor%");
    ASSERT_TRUE(LoginItems::addLoginItem(executable));
    EXPECT_TRUE(LoginItems::isLoginItem());

    QFile file(LoginItems::autostartEntryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(entry.startsWith(QLatin1String("[Desktop Entry]\n")));
    // Quoted for the Exec key, then every backslash doubled for the string value.
    EXPECT_TRUE(entry.contains(QLatin1String("Exec=\"/opt/My \\\\$Apps/twin\\\\\"moor%%\"\n"))) << entry.toStdString();

    // A second add keeps the entry as it is; a hidden one is replaced.
    file.close();
    ASSERT_TRUE(LoginItems::addLoginItem(QStringLiteral("/elsewhere")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), entry);
    file.close();
    writeFile(LoginItems::autostartEntryPath(), "[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(LoginItems::addLoginItem(executable));
    EXPECT_TRUE(LoginItems::isLoginItem());
}

TEST(FileIsHidden, ANameStartingWithADotOfAnExistingFile)
{
    const QString folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("hidden"));
    writeFile(folder + QStringLiteral("/.secret"), "x");
    writeFile(folder + QStringLiteral("/plain"), "x");
    QDir().mkpath(folder + QStringLiteral("/.folder"));

    const struct
    {
        QString path;
        bool hidden;
    } cases[] = {
        {folder + QStringLiteral("/.secret"), true},
        {folder + QStringLiteral("/.folder/"), true},
        {folder + QStringLiteral("/plain"), false},
        {folder + QStringLiteral("/.missing"), false},
        {folder + QStringLiteral("/.folder/.."), false},
        {QString(), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(KRBObjectiveCMethods().fileIsHidden(c.path), c.hidden);
    }
}
