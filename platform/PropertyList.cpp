#include "PropertyList.h"

#include "FileReading.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime &referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// libplist keeps one integer type; whether a value above INT64_MAX was written
// as a negative number or as a large unsigned one only shows in its text form.
bool integerIsNegative(plist_t node)
{
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    if (!xml)
        return false;
    const QByteArray text(xml, int(length));
    plist_to_xml_free(xml);
    return text.contains("<integer>-");
}

// Calls the visitor with each key and value of the dictionary, in the order
// the list holds them, while it answers true.
void forEachEntry(plist_t dict, const std::function<bool(const QString &, plist_t)> &visitor)
{
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    for (;;) {
        char *key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(dict, iter, &key, &item);
        if (!key)
            break;
        const QString name = QString::fromUtf8(key);
        free(key);
        if (!visitor(name, item))
            break;
    }
    free(iter);
}

// Real property lists nest a few levels. The parser library builds and frees
// its trees recursively, so a list nested a few hundred thousand levels deep
// runs it out of stack before any check of ours on the tree could run: the
// nesting is measured on the bytes first.
constexpr int maximumDepth = 256;

// The index of the '>' that ends the tag or declaration whose body starts at
// from; -1 when the tag is not plainly closed. Parsers differ on whether a
// quoted value may hold '<' or '>' (and on which quotes count), so such a
// value is refused instead of guessed at: without one every reader ends the
// tag at its first '>'.
qsizetype tagEnd(const QByteArray &data, qsizetype from, bool refuseBracket)
{
    for (qsizetype i = from; i < data.size(); ++i) {
        const char c = data.at(i);
        if (c == '>')
            return i;
        if (c == '<' || (refuseBracket && c == '['))
            return -1;
        if (c == '"' || c == '\'') {
            for (++i; i < data.size() && data.at(i) != c; ++i) {
                if (data.at(i) == '<' || data.at(i) == '>')
                    return -1;
            }
            if (i >= data.size())
                return -1;
        }
    }
    return -1;
}

bool isNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>' || c == '<';
}

bool isLeafElement(QByteArrayView name)
{
    for (const char *leaf : {"key", "string", "integer", "real", "true", "false", "date", "data"}) {
        if (name == QByteArrayView(leaf))
            return true;
    }
    return false;
}

// True when no container of an XML list lies deeper than the limit. Every
// element that is not a known leaf counts as a container, inside the plist
// element that wraps them all; a leaf may sit in the deepest container.
// Comments, CDATA sections, processing instructions and the document type are
// passed over the way every reader passes over them; anything a reader could
// take another way (an element closed by another name, a quoted '<' or '>',
// an internal document type subset, an unfinished construct) refuses the
// list, so the count is never lower than a parser's.
bool xmlNestingWithin(const QByteArray &data, int limit)
{
    const size_t containers = size_t(limit) + 1; // the plist element and the containers in it
    std::vector<QByteArrayView> open;
    qsizetype i = 0;
    for (;;) {
        i = data.indexOf('<', i);
        if (i < 0)
            return true;
        ++i;
        const QByteArrayView rest = QByteArrayView(data).sliced(i);
        if (rest.startsWith("!--")) {
            const qsizetype end = data.indexOf("-->", i + 3);
            if (end < 0)
                return false;
            i = end + 3;
        } else if (rest.startsWith("![CDATA[")) {
            const qsizetype end = data.indexOf("]]>", i + 8);
            if (end < 0)
                return false;
            i = end + 3;
        } else if (rest.startsWith("!DOCTYPE")) {
            const qsizetype end = tagEnd(data, i + 8, true);
            if (end < 0)
                return false;
            i = end + 1;
        } else if (rest.startsWith("?")) {
            const qsizetype end = tagEnd(data, i + 1, false);
            if (end < 0 || data.at(end - 1) != '?')
                return false;
            i = end + 1;
        } else if (rest.startsWith("!")) {
            return false;
        } else {
            const bool closing = rest.startsWith("/");
            const qsizetype nameStart = closing ? i + 1 : i;
            qsizetype nameEnd = nameStart;
            while (nameEnd < data.size() && !isNameEnd(data.at(nameEnd)))
                ++nameEnd;
            const qsizetype end = tagEnd(data, nameEnd, false);
            if (end < 0 || nameEnd == nameStart)
                return false;
            const QByteArrayView name = QByteArrayView(data).sliced(nameStart, nameEnd - nameStart);
            if (closing) {
                if (open.empty() || open.back() != name)
                    return false;
                open.pop_back();
            } else {
                const size_t depth = open.size() + 1;
                if (depth > containers + 1 || (depth > containers && !isLeafElement(name)))
                    return false;
                if (data.at(end - 1) != '/') // not an empty element
                    open.push_back(name);
            }
            i = end + 1;
        }
    }
}

quint64 bigEndian(const uchar *bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// True when no array, dictionary or set of a binary list lies deeper than the
// limit. The object table is walked from the top object with a stack of our
// own; a reference cycle, an offset or reference out of range, a malformed
// trailer or count, or more references followed than the file has bytes
// (shared containers that a parser would copy out without end) refuse the
// list.
bool binaryNestingWithin(const QByteArray &data, int limit)
{
    // The header, one object, one offset and the trailer.
    constexpr qsizetype header = 8;
    constexpr qsizetype trailerSize = 32;
    if (data.size() < header + 1 + 1 + trailerSize || !data.startsWith("bplist00"))
        return false;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const uchar *trailer = bytes + data.size() - trailerSize;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const quint64 objectCount = bigEndian(trailer + 8, 8);
    const quint64 topObject = bigEndian(trailer + 16, 8);
    const quint64 tableStart = bigEndian(trailer + 24, 8);
    const quint64 tableEnd = quint64(data.size() - trailerSize);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0
        || topObject >= objectCount || tableStart <= quint64(header) || tableStart > tableEnd
        || objectCount > (tableEnd - tableStart) / quint64(offsetSize))
        return false;

    struct Object
    {
        quint64 index = 0;
        quint64 refs = 0;  // where its references start
        quint64 count = 0; // how many it has
        quint64 next = 0;
        bool isContainer = false;
    };
    // Reads the object's marker: false when it is malformed.
    const auto readObject = [&](quint64 index, Object *object) {
        const quint64 offset = bigEndian(bytes + tableStart + index * quint64(offsetSize), offsetSize);
        if (offset < quint64(header) || offset >= tableStart)
            return false;
        *object = Object{index, 0, 0, 0, false};
        const uchar marker = bytes[offset];
        const int type = marker >> 4;
        // 0xA array, 0xB ordered set, 0xC set, 0xD dictionary.
        if (type < 0xA || type > 0xD)
            return true;
        quint64 count = marker & 0x0F;
        quint64 position = offset + 1;
        if (count == 0x0F) {
            if (position >= tableStart)
                return false;
            const uchar countMarker = bytes[position];
            if ((countMarker >> 4) != 1 || (countMarker & 0x0F) > 3)
                return false;
            const quint64 countSize = quint64(1) << (countMarker & 0x0F);
            if (countSize > tableStart - position - 1)
                return false;
            count = bigEndian(bytes + position + 1, int(countSize));
            position += 1 + countSize;
        }
        const quint64 available = (tableStart - position) / quint64(refSize);
        if (type == 0xD ? count > available / 2 : count > available)
            return false;
        object->refs = position;
        object->count = type == 0xD ? count * 2 : count;
        object->isContainer = true;
        return true;
    };

    std::vector<bool> onPath(size_t(objectCount), false);
    std::vector<Object> path; // the containers from the top object down
    Object top;
    if (!readObject(topObject, &top))
        return false;
    if (!top.isContainer || top.count == 0)
        return true;
    path.push_back(top);
    onPath[size_t(topObject)] = true;
    qint64 budget = data.size();
    while (!path.empty()) {
        Object &current = path.back();
        if (current.next == current.count) {
            onPath[size_t(current.index)] = false;
            path.pop_back();
            continue;
        }
        const quint64 ref = bigEndian(bytes + current.refs + current.next * quint64(refSize), refSize);
        ++current.next;
        if (ref >= objectCount || --budget < 0)
            return false;
        Object child;
        if (!readObject(ref, &child))
            return false;
        if (!child.isContainer)
            continue;
        if (onPath[size_t(ref)] || path.size() >= size_t(limit))
            return false;
        if (child.count == 0)
            continue;
        onPath[size_t(ref)] = true;
        path.push_back(child);
    }
    return true;
}

// Binary lists are recognised by their header, as the parser does; anything
// else goes to its XML reader.
bool nestingWithinBounds(const QByteArray &data)
{
    if (data.startsWith("bplist"))
        return binaryNestingWithin(data, maximumDepth);
    return xmlNestingWithin(data, maximumDepth);
}

// The root node of a list in memory; empty when it does not parse.
PlistPtr parse(const QByteArray &data)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max() || !nestingWithinBounds(data))
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    return PlistPtr(root);
}

// The conversion checks the depth again, so it can never recurse deeper than
// the measure on the bytes allowed.
QVariant toVariant(plist_t node, bool *ok, int depth = 0)
{
    if (depth > maximumDepth) {
        *ok = false;
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value > uint64_t(std::numeric_limits<qint64>::max()) && integerIsNegative(node))
            return QVariant(qint64(value));
        return QVariant(quint64(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING: {
        char *value = nullptr;
        plist_get_string_val(node, &value);
        const QString text = QString::fromUtf8(value ? value : "");
        free(value);
        return QVariant(text);
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return QVariant(referenceDate().addMSecs(qint64(sec) * 1000 + usec / 1000));
    }
    case PLIST_DATA: {
        char *value = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &value, &length);
        const QByteArray data(value, qsizetype(length));
        free(value);
        return QVariant(data);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size && *ok; ++i)
            list.append(toVariant(plist_array_get_item(node, i), ok, depth + 1));
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        forEachEntry(node, [&map, ok, depth](const QString &name, plist_t item) {
            map.insert(name, toVariant(item, ok, depth + 1));
            return *ok;
        });
        return QVariant(map);
    }
    default:
        *ok = false;
        return {};
    }
}

plist_t newUnsigned(quint64 value)
{
    if (value <= quint64(std::numeric_limits<qint64>::max()))
        return plist_new_uint(value);
    // plist_new_uint() would write such a value as a negative number; the XML
    // reader keeps it unsigned.
    const QByteArray xml = "<plist version=\"1.0\"><integer>" + QByteArray::number(value)
            + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    return node;
}

plist_t fromVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short: {
        const qint64 v = value.toLongLong();
        return v < 0 ? plist_new_uint(uint64_t(v)) : newUnsigned(quint64(v));
    }
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
        return newUnsigned(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QDateTime: {
        const qint64 ms = referenceDate().msecsTo(value.toDateTime());
        qint64 sec = ms / 1000;
        qint64 rest = ms % 1000;
        if (rest < 0) {
            rest += 1000;
            --sec;
        }
        return plist_new_date(int32_t(sec), int32_t(rest * 1000));
    }
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), uint64_t(data.size()));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant &item : value.toList()) {
            plist_t child = fromVariant(item);
            if (!child) {
                plist_free(array);
                return nullptr;
            }
            plist_array_append_item(array, child);
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            plist_t child = fromVariant(it.value());
            if (!child) {
                plist_free(dict);
                return nullptr;
            }
            plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
        }
        return dict;
    }
    default:
        return nullptr;
    }
}

} // namespace

namespace PropertyList {

std::optional<QVariant> fromData(const QByteArray &data)
{
    const PlistPtr root = parse(data);
    if (!root)
        return std::nullopt;
    bool ok = true;
    QVariant value = toVariant(root.get(), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

namespace {

// The bytes of a property-list file. Resources compiled into the program are
// ours and read as they are; anything else only as a regular file of bounded
// size: a FIFO would block, a device could fill the memory.
std::optional<QByteArray> readListFile(const QString &path)
{
    if (path.startsWith(QLatin1String(":/"))) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > maximumFileSize)
            return std::nullopt;
        return file.readAll();
    }
    return FileReading::readRegularFile(path, maximumFileSize);
}

} // namespace

std::optional<QVariant> fromFile(const QString &path)
{
    const auto data = readListFile(path);
    if (!data)
        return std::nullopt;
    return fromData(*data);
}

std::optional<QList<QPair<QString, QVariant>>> dictionaryEntriesFromFile(const QString &path)
{
    const auto data = readListFile(path);
    if (!data)
        return std::nullopt;
    const PlistPtr root = parse(*data);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    QList<QPair<QString, QVariant>> entries;
    forEachEntry(root.get(), [&entries](const QString &name, plist_t item) {
        bool ok = true;
        const QVariant value = toVariant(item, &ok);
        entries.append({name, ok ? value : QVariant()});
        return true;
    });
    return entries;
}

QByteArray toData(const QVariant &value, Format format)
{
    PlistPtr root(fromVariant(value));
    if (!root)
        return {};
    char *out = nullptr;
    uint32_t length = 0;
    if (format == Format::Binary)
        plist_to_bin(root.get(), &out, &length);
    else
        plist_to_xml(root.get(), &out, &length);
    if (!out)
        return {};
    QByteArray data(out, qsizetype(length));
    if (format == Format::Binary)
        plist_to_bin_free(out);
    else
        plist_to_xml_free(out);
    return data;
}

bool isRepresentable(const QVariant &value)
{
    PlistPtr root(fromVariant(value));
    return root != nullptr;
}

} // namespace PropertyList
