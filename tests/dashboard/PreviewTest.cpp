#include <PathControl.h>
#include <PreviewContent.h>
#include <PreviewPane.h>
#include <VideoPreview.h>

#include <FileFacts.h>
#include <NativePath.h>
#include <TestEnvironment.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString writeFile(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QString writeImage(const QString &folder, const QString &name, const QSize &size, const char *format,
                   QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = folder + QLatin1Char('/') + name;
    QImageWriter writer(path, format);
    writer.setTransformation(transformation);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return path;
}

// Writes a file whose name is the bytes given (which need not be UTF-8) and
// answers its path as the program holds paths.
QString writeNamed(const QString &folder, const QByteArray &name, const QByteArray &bytes)
{
    const QByteArray path = NativePath::encode(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0) << path.constData();
    if (fd >= 0) {
        EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }
    return NativePath::decode(path);
}

QByteArray pictureBytes(const QColor &color)
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return bytes;
}

// A raw video of grey frames that FFmpeg reads by its header alone.
QByteArray videoBytes(int width, int height, int frames)
{
    QByteArray bytes = QStringLiteral("YUV4MPEG2 W%1 H%2 F25:1 Ip A1:1 C420jpeg\n").arg(width).arg(height).toLatin1();
    for (int i = 0; i < frames; ++i) {
        bytes += "FRAME\n";
        bytes += QByteArray(width * height, char(40 + 8 * i));
        bytes += QByteArray(width * height / 2, char(128));
    }
    return bytes;
}

ino_t inodeOf(const QString &path)
{
    struct stat status {};
    return ::stat(NativePath::encode(path).constData(), &status) == 0 ? status.st_ino : 0;
}

Metadata factsWithIcon(const QString &mime)
{
    Metadata facts;
    facts.name = QStringLiteral("copy");
    facts.size = 1536;
    facts.icon = mime;
    return facts;
}

TEST(PreviewContent, DocumentsAreReadAsStrictUtf8WithinTheLimit)
{
    const QString folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("documents"));
    struct Case
    {
        const char *what;
        QByteArray bytes;
        qint64 limit;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"plain UTF-8 with accents", QByteArray("h\xc3\xa9llo\nw\xc3\xb6rld \xe2\x9c\x93"), 1024,
         QString::fromUtf8("h\xc3\xa9llo\nw\xc3\xb6rld \xe2\x9c\x93")},
        {"empty file is an empty text", QByteArray(), 1024, QString()},
        {"invalid bytes", QByteArray("abc\xff\xfe def"), 1024, std::nullopt},
        {"a sequence cut at the end", QByteArray("abc\xe2\x9c"), 1024, std::nullopt},
        {"exactly the limit", QByteArray(8, 'x'), 8, QString(8, QLatin1Char('x'))},
        {"one byte over the limit", QByteArray(9, 'x'), 8, std::nullopt},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = writeFile(folder, QStringLiteral("doc%1.txt").arg(n++), c.bytes);
        EXPECT_EQ(PreviewContent::documentText(path, c.limit), c.expected);
    }
    EXPECT_EQ(PreviewContent::documentText(folder + QStringLiteral("/missing.txt")), std::nullopt);
    EXPECT_EQ(PreviewContent::documentText(folder), std::nullopt) << "a folder is no document";
}

TEST(PreviewContent, ImagesAreTurnedUprightAndDecodedAtTheBound)
{
    const QString folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("images"));
    struct Case
    {
        const char *what;
        QString path;
        QSize bound;
        QSize expected;
    };
    const Case cases[] = {
        {"PNG larger than the bound shrinks", writeImage(folder, QStringLiteral("big.png"), {800, 600}, "png"), {400, 400}, {400, 300}},
        {"PNG smaller than the bound keeps its size", writeImage(folder, QStringLiteral("small.png"), {40, 30}, "png"), {400, 400}, {40, 30}},
        {"JPEG tagged as turned a quarter stands upright",
         writeImage(folder, QStringLiteral("turned.jpg"), {200, 100}, "jpeg", QImageIOHandler::TransformationRotate90),
         {1000, 1000}, {100, 200}},
        {"a turned JPEG is bounded as it is shown",
         writeImage(folder, QStringLiteral("turned-big.jpg"), {800, 400}, "jpeg", QImageIOHandler::TransformationRotate90),
         {300, 300}, {150, 300}},
        {"broken image", writeFile(folder, QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\nnot really")), {400, 400}, {0, 0}},
        {"missing file", folder + QStringLiteral("/missing.png"), {400, 400}, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = PreviewContent::previewImage(c.path, c.bound);
        EXPECT_EQ(image.size(), c.expected);
    }
}

TEST(PreviewContent, CategoryChoosesThePreview)
{
    using K = PreviewContent::Kind;
    const std::pair<std::optional<ScanResultKeys>, K> cases[] = {
        {ScanResultKeys::Videos, K::Video},   {ScanResultKeys::Documents, K::Text}, {ScanResultKeys::Photos, K::Image},
        {ScanResultKeys::Musics, K::Icon},    {ScanResultKeys::Archives, K::Icon},  {ScanResultKeys::Application, K::Icon},
        {ScanResultKeys::Others, K::Icon},    {ScanResultKeys::None, K::Icon},      {std::nullopt, K::Icon},
    };
    for (const auto &[category, kind] : cases)
        EXPECT_EQ(PreviewContent::kindFor(category), kind) << (category ? rawValue(*category).toStdString() : "none");
}

TEST(PreviewContent, DatesReadAsAMediumDateAndAShortTime)
{
    const QDateTime date(QDate(2024, 1, 5), QTime(14, 30), Qt::LocalTime);
    EXPECT_EQ(PreviewContent::formatModificationDate(date, QLocale(QLocale::English, QLocale::UnitedStates)).section(QLatin1Char(' '), 0, 2),
              QStringLiteral("Jan 5, 2024"));
    EXPECT_TRUE(PreviewContent::formatModificationDate(date, QLocale::c()).startsWith(QStringLiteral("5 Jan 2024 14:30")));
    const QString german = PreviewContent::formatModificationDate(date, QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(german.startsWith(QStringLiteral("5. Jan"))) << german.toStdString();
    EXPECT_TRUE(german.endsWith(QStringLiteral("14:30"))) << german.toStdString();
    EXPECT_FALSE(german.contains(QStringLiteral("Freitag")));
}

class PreviewPaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("pane"));
        pane.resize(420, 520);
        pane.show();
    }

    // Which of the three previews is on show, as a letter: T, V, I or - for none.
    QString shownPreview() const
    {
        QString shown;
        if (!pane.scrollViewTextView()->isHidden())
            shown += QLatin1Char('T');
        if (!pane.videoPlayerResult()->isHidden())
            shown += QLatin1Char('V');
        if (!pane.imgViewResult()->isHidden())
            shown += QLatin1Char('I');
        return shown.isEmpty() ? QStringLiteral("-") : shown;
    }

    QString folder;
    PreviewPane pane;
};

TEST_F(PreviewPaneTest, EachFileShowsOnePreviewWithItsContents)
{
    const QString utf8 = writeFile(folder, QString::fromUtf8("notes été.txt"), QByteArray("first line\nsecond"));
    const QString invalid = writeFile(folder, QStringLiteral("latin1.txt"), QByteArray("caf\xe9"));
    const QString huge = folder + QStringLiteral("/huge.txt");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(PreviewContent::kDocumentLimit + 1));
    }
    const QString png = writeImage(folder, QStringLiteral("picture.png"), {2000, 1000}, "png");
    const QString jpeg = writeImage(folder, QStringLiteral("turned.jpg"), {60, 30}, "jpeg", QImageIOHandler::TransformationRotate90);
    const QString notVideo = writeFile(folder, QStringLiteral("clip.mp4"), QByteArray("this is no video"));
    const QString song = writeFile(folder, QStringLiteral("song.mp3"), QByteArray("ID3 but nothing else"));
    const QString missing = folder + QStringLiteral("/gone.png");

    struct Case
    {
        const char *what;
        QString path;
        ScanResultKeys category;
        QString shown;
        QString text;
        bool picture;
    };
    const Case cases[] = {
        {"UTF-8 document", utf8, ScanResultKeys::Documents, QStringLiteral("T"), QStringLiteral("first line\nsecond"), false},
        {"document that is not UTF-8", invalid, ScanResultKeys::Documents, QStringLiteral("T"), QString(), false},
        {"document over the limit", huge, ScanResultKeys::Documents, QStringLiteral("T"), QString(), false},
        {"PNG", png, ScanResultKeys::Photos, QStringLiteral("I"), QString(), true},
        {"JPEG with a rotation tag", jpeg, ScanResultKeys::Photos, QStringLiteral("I"), QString(), true},
        {"a file under Videos that is no video", notVideo, ScanResultKeys::Videos, QStringLiteral("V"), QString(), false},
        {"a Musics file shows its icon", song, ScanResultKeys::Musics, QStringLiteral("I"), QString(), true},
        {"a missing photo shows nothing", missing, ScanResultKeys::Photos, QStringLiteral("I"), QString(), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        pane.clear();
        EXPECT_EQ(shownPreview(), QStringLiteral("-"));
        pane.showCopy(PreviewCopy{QUrl::fromLocalFile(c.path), c.category, factsWithIcon(QStringLiteral("audio/mpeg"))}, false);
        EXPECT_EQ(shownPreview(), c.shown);
        EXPECT_EQ(pane.txtViewResult()->toPlainText(), c.text);
        EXPECT_EQ(!pane.imgViewResult()->pixmap().isNull(), c.picture);
        EXPECT_EQ(pane.lblFileNameResult()->text(), QFileInfo(c.path).fileName());
    }
}

TEST_F(PreviewPaneTest, PicturesFitThePaneAndStandUpright)
{
    const QString png = writeImage(folder, QStringLiteral("wide.png"), {3000, 1000}, "png");
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(png), ScanResultKeys::Photos, std::nullopt}, false);
    const QSize bound = pane.imageBound();
    const QSize shown = pane.imgViewResult()->pixmap().size();
    EXPECT_LE(shown.width(), bound.width());
    EXPECT_LE(shown.height(), bound.height());
    EXPECT_GT(shown.width(), shown.height());

    const QString jpeg = writeImage(folder, QStringLiteral("tall.jpg"), {60, 30}, "jpeg", QImageIOHandler::TransformationRotate90);
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(jpeg), ScanResultKeys::Photos, std::nullopt}, false);
    EXPECT_EQ(pane.imgViewResult()->pixmap().size(), QSize(30, 60));
}

TEST_F(PreviewPaneTest, VideoIsLoadedButNotStarted)
{
    const QString notVideo = writeFile(folder, QStringLiteral("clip.mov"), QByteArray("no frames here"));
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(notVideo), ScanResultKeys::Videos, std::nullopt}, false);
    QMediaPlayer *player = pane.videoPlayerResult()->player();
    ASSERT_NE(pane.videoPlayerResult()->sourceFile(), nullptr);
    struct stat opened {};
    ASSERT_EQ(::fstat(pane.videoPlayerResult()->sourceFile()->handle(), &opened), 0);
    EXPECT_EQ(opened.st_ino, inodeOf(notVideo));
    EXPECT_FALSE(player->source().isEmpty());
    EXPECT_EQ(player->playbackState(), QMediaPlayer::StoppedState);

    pane.clear();
    EXPECT_TRUE(player->source().isEmpty()) << "clearing the pane empties the player";
}

// A name is bytes: "caf\xE9" (Latin-1, not UTF-8) is previewed from its own
// file, never from "caf\uFFFD", the name its text would turn into if it were
// re-encoded, which is here a different file.
TEST_F(PreviewPaneTest, NamesThatAreNotUtf8ShowTheirOwnFile)
{
    const QByteArray latin = "caf\xe9";
    const QByteArray replaced = "caf\xef\xbf\xbd";
    struct Case
    {
        const char *what;
        ScanResultKeys category;
        QByteArray extension;
        QByteArray real;
        QByteArray decoy;
    };
    const Case cases[] = {
        {"document", ScanResultKeys::Documents, ".txt", "the real text", "the decoy's text"},
        {"picture", ScanResultKeys::Photos, ".png", pictureBytes(Qt::red), pictureBytes(Qt::blue)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = writeNamed(folder, latin + c.extension, c.real);
        writeNamed(folder, replaced + c.extension, c.decoy);
        pane.clear();
        pane.showCopy(PreviewCopy{QUrl::fromLocalFile(path), c.category, std::nullopt}, false);
        if (c.category == ScanResultKeys::Documents) {
            EXPECT_EQ(pane.txtViewResult()->toPlainText(), QString::fromUtf8(c.real));
        } else {
            const QImage shown = pane.imgViewResult()->pixmap().toImage();
            ASSERT_FALSE(shown.isNull());
            EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));
        }
        EXPECT_NE(pane.lblDateModifiedResult()->text(), QString());
    }
}

TEST_F(PreviewPaneTest, AVideoWhoseNameIsNotUtf8PlaysItsOwnFile)
{
    const QString path = writeNamed(folder, "clip\xe9.y4m", videoBytes(32, 16, 4));
    const QString decoy = writeNamed(folder, "clip\xef\xbf\xbd.y4m", videoBytes(16, 32, 20));
    ASSERT_NE(inodeOf(path), inodeOf(decoy));
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(path), ScanResultKeys::Videos, std::nullopt}, false);

    VideoPreview *video = pane.videoPlayerResult();
    ASSERT_NE(video->sourceFile(), nullptr);
    struct stat opened {};
    ASSERT_EQ(::fstat(video->sourceFile()->handle(), &opened), 0);
    EXPECT_EQ(opened.st_ino, inodeOf(path)) << "the player reads the file the copy names";
    QMediaPlayer *player = video->player();
    ASSERT_TRUE(QTest::qWaitFor([player] {
        return player->mediaStatus() == QMediaPlayer::LoadedMedia || player->mediaStatus() == QMediaPlayer::InvalidMedia;
    }, 20000));
    EXPECT_EQ(player->mediaStatus(), QMediaPlayer::LoadedMedia);
    EXPECT_EQ(player->duration(), 160) << "four frames at 25 a second, not the decoy's twenty";
    EXPECT_EQ(player->playbackState(), QMediaPlayer::StoppedState);

    pane.clear();
    EXPECT_EQ(video->sourceFile(), nullptr) << "an empty pane holds no file open";
    const QString gone = NativePath::decode(NativePath::encode(folder) + "/gone\xe9.y4m");
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(gone), ScanResultKeys::Videos, std::nullopt}, false);
    EXPECT_EQ(video->sourceFile(), nullptr);
    EXPECT_FALSE(video->playButton()->isEnabled()) << "a file that cannot be opened offers nothing to play";
}

TEST_F(PreviewPaneTest, DateLabelShowsTheFilesModificationDate)
{
    const QString path = writeFile(folder, QStringLiteral("dated.txt"), QByteArray("x"));
    const QDateTime stamp(QDate(2023, 3, 14), QTime(9, 26), Qt::LocalTime);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(path), ScanResultKeys::Others, std::nullopt}, false);
    EXPECT_EQ(pane.lblDateModifiedResult()->text(), PreviewContent::formatModificationDate(stamp));

    pane.clear();
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(folder + QStringLiteral("/gone.txt")), ScanResultKeys::Others, std::nullopt}, false);
    EXPECT_EQ(pane.lblDateModifiedResult()->text(), QString()) << "no date can be read from a missing file";
}

TEST_F(PreviewPaneTest, SizeAndPathOnlyInTheMarkedCopiesView)
{
    const QString path = writeFile(folder, QStringLiteral("two words.bin"), QByteArray("x"));
    const PreviewCopy copy{QUrl::fromLocalFile(path), ScanResultKeys::Others, factsWithIcon(QStringLiteral("application/octet-stream"))};

    pane.showCopy(copy, false);
    EXPECT_TRUE(pane.pathControlURL()->isHidden());
    EXPECT_EQ(pane.lblValueSize()->text(), QString());
    EXPECT_EQ(pane.pathControlURL()->url(), std::nullopt);

    pane.clear();
    pane.showCopy(copy, true);
    EXPECT_FALSE(pane.pathControlURL()->isHidden());
    EXPECT_EQ(pane.lblValueSize()->text(), QStringLiteral("1.0 KB"));
    EXPECT_EQ(pane.pathControlURL()->url(), QUrl::fromLocalFile(path));
    EXPECT_EQ(pane.pathControlURL()->componentButtons().last()->text(), QStringLiteral("two words.bin"));
}

TEST_F(PreviewPaneTest, ShowInFolderOnlyWhileACopyIsShown)
{
    const QString path = writeFile(folder, QStringLiteral("shown.bin"), QByteArray("x"));
    EXPECT_FALSE(pane.pathControlResult()->isEnabled()) << "a new pane shows nothing";
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(path), ScanResultKeys::Others, std::nullopt}, false);
    EXPECT_TRUE(pane.pathControlResult()->isEnabled());
    pane.clear();
    EXPECT_FALSE(pane.pathControlResult()->isEnabled()) << "nothing shown: nothing to reveal";
}

TEST_F(PreviewPaneTest, InformationAreaIsTallOnlyForTheMarkedCopiesView)
{
    pane.setInfoHeight(52);
    EXPECT_EQ(pane.infoArea()->height(), 52);
    pane.setInfoHeight(20);
    EXPECT_EQ(pane.infoHeight(), 20);
}

} // namespace
