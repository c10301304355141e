#include <FileReveal.h>
#include <NativePath.h>
#include <PathControl.h>
#include <PreviewPane.h>

#include <TestEnvironment.h>

#include <QDesktopServices>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

TEST(PathComponents, SplitAPathFromTheRootDown)
{
    struct Case
    {
        const char *what;
        QString path;
        QList<PathComponent> expected;
    };
    const Case cases[] = {
        {"root", QStringLiteral("/"), {{QStringLiteral("/"), QStringLiteral("/")}}},
        {"spaces and non-ASCII", QString::fromUtf8("/höme/a b/ça.txt"),
         {{QStringLiteral("/"), QStringLiteral("/")},
          {QString::fromUtf8("höme"), QString::fromUtf8("/höme")},
          {QStringLiteral("a b"), QString::fromUtf8("/höme/a b")},
          {QString::fromUtf8("ça.txt"), QString::fromUtf8("/höme/a b/ça.txt")}}},
        {"dots and doubled slashes are cleaned", QStringLiteral("/a//b/../c/"),
         {{QStringLiteral("/"), QStringLiteral("/")}, {QStringLiteral("a"), QStringLiteral("/a")}, {QStringLiteral("c"), QStringLiteral("/a/c")}}},
        {"a newline shows as a mark but stays in the path", QStringLiteral("/x/line\nbreak"),
         {{QStringLiteral("/"), QStringLiteral("/")}, {QStringLiteral("x"), QStringLiteral("/x")},
          {QStringLiteral("line\u21B5break"), QStringLiteral("/x/line\nbreak")}}},
        {"relative path", QStringLiteral("a/b"), {}},
        {"empty path", QString(), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(pathComponents(c.path), c.expected);
    }
}

class RevealTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FileReveal::setHandler([this](const QString &path, const QString &root) {
            revealed.append(path);
            roots.append(root);
            return true;
        });
    }
    void TearDown() override { FileReveal::setHandler({}); }

    QStringList revealed;
    QStringList roots;
};

TEST_F(RevealTest, PathControlRevealsTheClickedComponent)
{
    PreviewPane pane;
    QObject::connect(&pane, &PreviewPane::revealRequested, [](const QString &path) { FileReveal::selectFile(path, QString()); });
    const QString path = QString::fromUtf8("/data/two words/été.jpg");
    pane.showCopy(PreviewCopy{QUrl::fromLocalFile(path), ScanResultKeys::Photos, std::nullopt}, true);
    const QList<QToolButton *> buttons = pane.pathControlURL()->componentButtons();
    ASSERT_EQ(buttons.size(), 4);

    buttons.last()->click();
    buttons.at(2)->click();
    buttons.first()->click();
    EXPECT_EQ(revealed, (QStringList{path, QStringLiteral("/data/two words"),
                                     QStringLiteral("/")}));
    EXPECT_EQ(roots, (QStringList{QString(), QString(), QString()}));
    ASSERT_TRUE(pane.pathControlURL()->clickedPathComponent().has_value());
    EXPECT_EQ(pane.pathControlURL()->clickedPathComponent()->path, QStringLiteral("/"));

    pane.pathControlURL()->setURL(std::nullopt);
    EXPECT_TRUE(pane.pathControlURL()->componentButtons().isEmpty());
    EXPECT_FALSE(pane.pathControlURL()->clickedPathComponent().has_value());
}

// Catches what the desktop would open, in place of a file manager.
class FolderCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

TEST(FileRevealFallback, WithoutAFileManagerTheFolderOpens)
{
    // No session bus in this process: the reveal falls back to the folder.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    FolderCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");

    EXPECT_TRUE(FileReveal::selectFile(QStringLiteral("/srv/a folder/line\nbreak.txt")));
    EXPECT_TRUE(FileReveal::selectFile(QStringLiteral("/srv/a folder")));
    EXPECT_TRUE(FileReveal::selectFile(QString(), QStringLiteral("/srv/root")));
    EXPECT_FALSE(FileReveal::selectFile(QString(), QString())) << "nothing to reveal";

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(catcher.opened, (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/srv/a folder")), QUrl::fromLocalFile(QStringLiteral("/srv")),
                                           QUrl::fromLocalFile(QStringLiteral("/srv/root"))}));
}

// The file manager and the desktop are handed a URI made from a name's bytes:
// a name that is not UTF-8 reaches them as its own bytes, escaped.
TEST(FileReveal, UrisCarryTheBytesOfTheName)
{
    struct Case
    {
        const char *what;
        QByteArray name;
        QByteArray uri;
    };
    const Case cases[] = {
        {"plain", "/srv/notes.txt", "file:///srv/notes.txt"},
        {"space and UTF-8", "/srv/a b/caf\xc3\xa9", "file:///srv/a%20b/caf%C3%A9"},
        {"a byte that is not UTF-8", "/srv/caf\xe9.txt", "file:///srv/caf%E9.txt"},
        {"the replacement character is a name of its own", "/srv/caf\xef\xbf\xbd.txt", "file:///srv/caf%EF%BF%BD.txt"},
        {"characters a URI reserves", "/srv/50%#1?.txt", "file:///srv/50%25%231%3F.txt"},
        {"a newline", "/srv/line\nbreak", "file:///srv/line%0Abreak"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FileReveal::fileUri(NativePath::decode(c.name)), c.uri);
    }
    EXPECT_EQ(FileReveal::fileUri(QString()), QByteArray());
}

TEST(FileRevealFallback, AFolderWhoseNameIsNotUtf8OpensAsItsBytes)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    FolderCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    EXPECT_TRUE(FileReveal::selectFile(NativePath::decode("/srv/caf\xe9/notes.txt")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.first().toEncoded(), QByteArray("file:///srv/caf%E9"));
}

} // namespace

#include "RevealTest.moc"
