// Renders the artwork sources named in a manifest at their exact pixel sizes
// and writes them as a C++ source of base64 PNG texts, one accessor each.
//
// Usage: twinmoor_embed_images [--font <file>]... <manifest> <artwork folder> <output .cpp>
//        twinmoor_embed_images [--font <file>]... --png <manifest> <artwork folder> <output folder>
// The second form writes each picture as a PNG file named after its entry, for
// the pictures that the bundle holds as files. Each --font file is a font that
// the artwork's text is set in; the build names the files, so the pictures do
// not depend on which fonts the building machine happens to prefer.
//
// Manifest lines: <name> <width> <height> <file.svg> [rotate=180] [tint=#rrggbb]
// (a line starting with "#" is a comment). rotate turns the rendered picture by half a turn;
// tint keeps the picture's alpha and paints every pixel in one colour.

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>
#include <QSvgRenderer>
#include <QTextStream>
#include <QTransform>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

struct Entry
{
    QString name;
    int width = 0;
    int height = 0;
    QString source;
    bool rotateHalfTurn = false;
    std::optional<QColor> tint;
    int line = 0;
};

// ISO C++ only promises string literals of 4095 characters; longer texts are
// split and joined once at first use.
constexpr int chunkLength = 4000;

void fail(const QString &message)
{
    std::fprintf(stderr, "twinmoor_embed_images: %s\n", qPrintable(message));
    std::exit(1);
}

std::optional<Entry> parseLine(const QString &rawLine, int lineNumber)
{
    const QString line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return std::nullopt;
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() < 4)
        fail(QStringLiteral("manifest line %1: expected name, width, height and source").arg(lineNumber));
    Entry entry;
    entry.line = lineNumber;
    entry.name = fields[0];
    bool widthOk = false;
    bool heightOk = false;
    entry.width = fields[1].toInt(&widthOk);
    entry.height = fields[2].toInt(&heightOk);
    if (!widthOk || !heightOk || entry.width <= 0 || entry.height <= 0)
        fail(QStringLiteral("manifest line %1: bad size").arg(lineNumber));
    entry.source = fields[3];
    for (qsizetype i = 4; i < fields.size(); ++i) {
        const QString &option = fields[i];
        if (option == QLatin1String("rotate=180")) {
            entry.rotateHalfTurn = true;
        } else if (option.startsWith(QLatin1String("tint="))) {
            const QColor colour(option.mid(5));
            if (!colour.isValid())
                fail(QStringLiteral("manifest line %1: bad tint").arg(lineNumber));
            entry.tint = colour;
        } else {
            fail(QStringLiteral("manifest line %1: unknown option %2").arg(lineNumber).arg(option));
        }
    }
    return entry;
}

QImage render(const Entry &entry, const QString &folder)
{
    QSvgRenderer renderer(folder + QLatin1Char('/') + entry.source);
    if (!renderer.isValid())
        fail(QStringLiteral("manifest line %1: cannot read %2").arg(entry.line).arg(entry.source));
    QImage image(entry.width, entry.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, entry.width, entry.height));
    }
    if (entry.rotateHalfTurn)
        image = image.transformed(QTransform().rotate(180));
    if (entry.tint) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), *entry.tint);
    }
    if (image.width() != entry.width || image.height() != entry.height)
        fail(QStringLiteral("manifest line %1: rendered at the wrong size").arg(entry.line));
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray pngBase64(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG", 0))
        fail(QStringLiteral("PNG encoding failed"));
    return png.toBase64();
}

void writeEntry(QTextStream &out, const Entry &entry, const QByteArray &text)
{
    out << "\n// " << entry.width << " x " << entry.height << " from " << entry.source;
    if (entry.rotateHalfTurn)
        out << ", turned by half a turn";
    if (entry.tint)
        out << ", tinted " << entry.tint->name();
    out << "\nconst QString &" << entry.name << "()\n{\n";
    out << "    static const char *const chunks[] = {\n";
    for (qsizetype at = 0; at < text.size(); at += chunkLength)
        out << "        \"" << text.mid(at, chunkLength) << "\",\n";
    out << "        nullptr};\n";
    out << "    static const QString text = joined(chunks);\n";
    out << "    return text;\n}\n";
}

QList<Entry> readManifest(const QString &path)
{
    QFile manifest(path);
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("cannot read %1").arg(path));
    QList<Entry> entries;
    int lineNumber = 0;
    while (!manifest.atEnd()) {
        if (auto entry = parseLine(QString::fromUtf8(manifest.readLine()), ++lineNumber))
            entries.append(*entry);
    }
    return entries;
}

void writePngFiles(const QList<Entry> &entries, const QString &artworkFolder, const QString &outputFolder)
{
    for (const Entry &entry : entries) {
        QSaveFile output(outputFolder + QLatin1Char('/') + entry.name);
        if (!output.open(QIODevice::WriteOnly) || !render(entry, artworkFolder).save(&output, "PNG", 0)
            || !output.commit())
            fail(QStringLiteral("cannot write %1").arg(output.fileName()));
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Text in the artwork needs the font database, which needs an application;
    // the build has no display, so it gets the offscreen one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    while (arguments.size() >= 3 && arguments[1] == QLatin1String("--font")) {
        if (QFontDatabase::addApplicationFont(arguments[2]) < 0)
            fail(QStringLiteral("cannot load the font %1").arg(arguments[2]));
        arguments.remove(1, 2);
    }
    if (arguments.size() == 5 && arguments[1] == QLatin1String("--png")) {
        writePngFiles(readManifest(arguments[2]), arguments[3], arguments[4]);
        return 0;
    }
    if (arguments.size() != 4)
        fail(QStringLiteral("usage: twinmoor_embed_images [--png] <manifest> <artwork folder> <output .cpp or folder>"));

    const QList<Entry> entries = readManifest(arguments[1]);

    QSaveFile output(arguments[3]);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Text))
        fail(QStringLiteral("cannot write %1").arg(arguments[3]));
    QTextStream out(&output);
    out << "// Generated by twinmoor_embed_images from resources/artwork; do not edit.\n"
           "#include \"EmbeddedImages.h\"\n\n"
           "namespace EmbeddedImages {\n\n"
           "namespace {\n\n"
           "QString joined(const char *const *chunks)\n{\n"
           "    QString text;\n"
           "    for (; *chunks; ++chunks)\n"
           "        text += QLatin1String(*chunks);\n"
           "    return text;\n}\n\n"
           "} // namespace\n";
    for (const Entry &entry : entries)
        writeEntry(out, entry, pngBase64(render(entry, arguments[2])));
    out << "\n} // namespace EmbeddedImages\n";
    out.flush();
    if (!output.commit())
        fail(QStringLiteral("cannot write %1").arg(arguments[3]));
    return 0;
}
