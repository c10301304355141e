#include "MountTable.h"

#include "Descriptor.h"
#include "FileReading.h"

#include <fcntl.h>

namespace MountTable {

namespace {

// The table is read up to this size; a real one is far smaller.
constexpr qsizetype kLargestTable = 16 << 20;

QByteArray tableText()
{
    for (const char *table : {"/proc/thread-self/mountinfo", "/proc/self/mountinfo"}) {
        const Descriptor fd(::open(table, O_RDONLY | O_CLOEXEC));
        if (!fd.isOpen())
            continue;
        QByteArray text;
        QByteArray chunk(1 << 16, Qt::Uninitialized);
        for (;;) {
            const ssize_t got = FileReading::readRetrying(fd.get(), chunk.data(), size_t(chunk.size()));
            if (got <= 0 || text.size() > kLargestTable)
                break;
            text.append(chunk.constData(), got);
        }
        return text;
    }
    return {};
}

} // namespace

QByteArray unescape(const QByteArray &field)
{
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size() && isOctal(field.at(i + 1)) && isOctal(field.at(i + 2))
            && isOctal(field.at(i + 3))) {
            text += char((field.at(i + 1) - '0') * 64 + (field.at(i + 2) - '0') * 8 + (field.at(i + 3) - '0'));
            i += 3;
        } else {
            text += field.at(i);
        }
    }
    return text;
}

QList<Mount> read()
{
    QList<Mount> mounts;
    for (const QByteArray &line : tableText().split('\n')) {
        // id parent major:minor root mount-point options [optional fields] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"), 6);
        if (fields.size() < 6 || separator < 0 || separator + 1 >= fields.size())
            continue;
        Mount mount;
        bool ok = false;
        mount.id = fields.at(0).toULongLong(&ok);
        if (!ok)
            continue;
        mount.device = fields.at(2);
        mount.root = unescape(fields.at(3));
        mount.mountPoint = unescape(fields.at(4));
        mount.type = unescape(fields.at(separator + 1));
        if (separator + 3 < fields.size()) {
            for (const QByteArray &option : fields.at(separator + 3).split(','))
                mount.superOptions.append(unescape(option));
        }
        mounts.append(mount);
    }
    return mounts;
}

} // namespace MountTable
