#include <PathControl.h>
#include <PreviewContent.h>
#include <PreviewPane.h>
#include <VideoPreview.h>

#include <FileFacts.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

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
    EXPECT_EQ(player->source(), QUrl::fromLocalFile(notVideo));
    EXPECT_EQ(player->playbackState(), QMediaPlayer::StoppedState);

    pane.clear();
    EXPECT_TRUE(player->source().isEmpty()) << "clearing the pane empties the player";
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

TEST_F(PreviewPaneTest, InformationAreaIsTallOnlyForTheMarkedCopiesView)
{
    pane.setInfoHeight(52);
    EXPECT_EQ(pane.infoArea()->height(), 52);
    pane.setInfoHeight(20);
    EXPECT_EQ(pane.infoHeight(), 20);
}

} // namespace
