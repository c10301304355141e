// twinmoor-bench-tree [--seed N] [--files N] [--folders N] [--small] [--size BYTES] [--copies PERCENT] DIR
//
// Writes a deterministic tree for the benchmark: unique files, redundant copies
// of some of them spread over other folders, and same-size decoys that only a
// full comparison tells apart (random contents; equal but the last byte; equal
// first and last 64 KiB with a different middle). --size gives every file the
// same size (no decoys then; 0 writes empty files), --copies sets the share of
// copies (30 % unless given). Prints what it wrote.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cmath>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed ? seed : 1) {}

    quint64 next()
    {
        // splitmix64: fast, and the same stream on every machine.
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    quint64 below(quint64 n) { return next() % n; }

    void fill(QByteArray &bytes)
    {
        auto *data = reinterpret_cast<unsigned char *>(bytes.data());
        const qsizetype size = bytes.size();
        qsizetype i = 0;
        for (; i + 8 <= size; i += 8) {
            const quint64 value = next();
            memcpy(data + i, &value, 8);
        }
        for (; i < size; ++i)
            data[i] = static_cast<unsigned char>(next());
    }

private:
    quint64 m_state;
};

struct Original
{
    QString path;
    QByteArray contents;
};

const char *const extensions[] = {"jpg", "png", "mov", "mp4", "mp3", "wav", "pdf", "txt", "doc", "zip", "bin", "dat"};

bool writeFile(const QString &path, const QByteArray &contents)
{
    // Plain calls: a million small files are written in seconds.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    if (fd >= 0)
        ::close(fd);
    if (!written)
        QTextStream(stderr) << "cannot write " << path << '\n';
    return written;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    quint64 seed = 20261210;
    int files = 20000;
    int folders = 200;
    bool small = false;
    qint64 fixedSize = -1;
    int copiesPercent = 30;
    QString target;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == "--seed" && i + 1 < args.size())
            seed = args.at(++i).toULongLong();
        else if (args.at(i) == "--files" && i + 1 < args.size())
            files = args.at(++i).toInt();
        else if (args.at(i) == "--folders" && i + 1 < args.size())
            folders = args.at(++i).toInt();
        else if (args.at(i) == "--small")
            small = true;
        else if (args.at(i) == "--size" && i + 1 < args.size())
            fixedSize = args.at(++i).toLongLong();
        else if (args.at(i) == "--copies" && i + 1 < args.size())
            copiesPercent = args.at(++i).toInt();
        else
            target = args.at(i);
    }
    if (target.isEmpty() || files <= 0 || folders <= 0 || copiesPercent < 0 || copiesPercent > 100) {
        QTextStream(stderr) << "usage: twinmoor-bench-tree [--seed N] [--files N] [--folders N] [--small] [--size BYTES] "
                               "[--copies PERCENT] DIR\n";
        return 2;
    }

    Random random(seed);
    QDir().mkpath(target);
    QStringList folderPaths;
    for (int f = 0; f < folders; ++f) {
        const QString path = QStringLiteral("%1/g%2/d%3").arg(target).arg(f % 20, 2, 10, QLatin1Char('0')).arg(f, 4, 10, QLatin1Char('0'));
        QDir().mkpath(path);
        folderPaths.append(path);
    }

    // Sizes from 1025 bytes (just above the default minimum) to 4 MiB, most of
    // them small; the small-file tree keeps every file under 8 KiB.
    auto pickSize = [&]() -> qsizetype {
        if (fixedSize >= 0)
            return qsizetype(fixedSize);
        const double low = 1025.0;
        const double high = small ? 8192.0 : 4.0 * 1024 * 1024;
        return qsizetype(low * std::pow(high / low, std::pow(random.uniform(), small ? 1.0 : 5.5)));
    };

    const int copies = int(qint64(files) * copiesPercent / 100);
    const int decoys = small || fixedSize >= 0 ? 0 : files * 6 / 100;
    const int uniques = files - copies - decoys;
    std::vector<Original> originals;
    originals.reserve(size_t(uniques));
    quint64 totalBytes = 0;
    int written = 0;
    auto pathFor = [&](int index) {
        const QString &folder = folderPaths.at(int(random.below(quint64(folderPaths.size()))));
        return QStringLiteral("%1/f%2.%3").arg(folder).arg(index, 6, 10, QLatin1Char('0'))
                .arg(QLatin1String(extensions[random.below(std::size(extensions))]));
    };

    for (int i = 0; i < uniques; ++i) {
        QByteArray contents(pickSize(), Qt::Uninitialized);
        random.fill(contents);
        const QString path = pathFor(written++);
        if (!writeFile(path, contents))
            return 1;
        totalBytes += quint64(contents.size());
        // Only some originals are remembered as sources of copies and decoys,
        // so that the copies do not all fall on a few files.
        if (originals.size() < 4000)
            originals.push_back({path, contents});
        else
            originals[random.below(originals.size())] = {path, contents};
    }
    for (int i = 0; i < copies; ++i) {
        const Original &source = originals.at(random.below(originals.size()));
        if (!writeFile(pathFor(written++), source.contents))
            return 1;
        totalBytes += quint64(source.contents.size());
    }
    // Decoys with a different middle come from files large enough that their
    // first and last 64 KiB are equal to the source's.
    constexpr qsizetype edge = 64 * 1024;
    for (int i = 0; i < decoys; ++i) {
        const Original *pick = &originals.at(random.below(originals.size()));
        for (int tries = 0; i % 3 == 2 && pick->contents.size() <= 2 * edge + 1 && tries < 1000; ++tries)
            pick = &originals.at(random.below(originals.size()));
        const Original &source = *pick;
        QByteArray contents = source.contents;
        const qsizetype size = contents.size();
        switch (i % 3) {
        case 0: // random contents of the same size
            random.fill(contents);
            break;
        case 1: // equal but the last byte
            contents[size - 1] = char(contents.at(size - 1) ^ 0x5a);
            break;
        default: { // equal first and last 64 KiB, different middle
            const qsizetype middle = size / 2;
            contents[middle] = char(contents.at(middle) ^ 0x5a);
            break;
        }
        }
        if (!writeFile(pathFor(written++), contents))
            return 1;
        totalBytes += quint64(size);
    }
    QTextStream(stdout) << "wrote " << written << " files (" << uniques << " unique, " << copies << " copies, "
                        << decoys << " decoys) in " << folders << " folders, " << totalBytes << " bytes\n";
    return 0;
}
