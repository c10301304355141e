#pragma once

#include <QByteArray>
#include <QList>

// Property lists built byte by byte, for the reader's hostile inputs.
namespace NestedLists {

// Deep enough to run the parser library out of stack (it frees and builds its
// trees recursively), sanitizer build included, and still far below the size
// bound of a list file.
inline constexpr int crashingXmlDepth = 250000;
inline constexpr int crashingBinaryDepth = 1000000;

// An XML list of that many arrays, each inside the one before.
inline QByteArray xmlArrays(int depth)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + QByteArray("<array>").repeated(depth)
           + QByteArray("</array>").repeated(depth) + "</plist>\n";
}

inline QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xFF);
    return bytes;
}

// The smallest width that holds the value.
inline int widthOf(quint64 value)
{
    int width = 1;
    while (width < 8 && value >> (8 * width))
        ++width;
    return width;
}

// An array object referring to the given objects.
inline QByteArray arrayObject(const QList<quint64> &refs, int refSize)
{
    QByteArray object;
    if (refs.size() < 15) {
        object += char(0xA0 | refs.size());
    } else {
        object += char(0xAF);
        object += char(0x13); // an 8-byte count follows
        object += bigEndian(quint64(refs.size()), 8);
    }
    for (quint64 ref : refs)
        object += bigEndian(ref, refSize);
    return object;
}

// A binary list of the encoded objects in that order, with its offset table
// and trailer.
inline QByteArray binaryList(const QList<QByteArray> &objects, quint64 top, int refSize)
{
    QByteArray data = "bplist00";
    QList<quint64> offsets;
    for (const QByteArray &object : objects) {
        offsets.append(quint64(data.size()));
        data += object;
    }
    const quint64 table = quint64(data.size());
    const int offsetSize = widthOf(table);
    for (quint64 offset : offsets)
        data += bigEndian(offset, offsetSize);
    data += QByteArray(6, '\0');
    data += char(offsetSize);
    data += char(refSize);
    data += bigEndian(quint64(objects.size()), 8) + bigEndian(top, 8) + bigEndian(table, 8);
    return data;
}

// A binary list of that many arrays, each inside the one before: object i
// holds object i + 1, the last one is empty.
inline QByteArray binaryArrays(int depth)
{
    const int refSize = widthOf(quint64(depth));
    const qsizetype objectSize = 1 + refSize;
    const quint64 table = 8 + quint64(depth - 1) * quint64(objectSize) + 1;
    const int offsetSize = widthOf(table);
    QByteArray data = "bplist00";
    data.reserve(qsizetype(table) + qsizetype(depth) * offsetSize + 32);
    for (int i = 0; i + 1 < depth; ++i)
        data += char(0xA1) + bigEndian(quint64(i + 1), refSize);
    data += char(0xA0);
    for (int i = 0; i < depth; ++i)
        data += bigEndian(8 + quint64(i) * quint64(objectSize), offsetSize);
    data += QByteArray(6, '\0');
    data += char(offsetSize);
    data += char(refSize);
    data += bigEndian(quint64(depth), 8) + bigEndian(0, 8) + bigEndian(table, 8);
    return data;
}

} // namespace NestedLists
