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

// The root node of a list in memory; empty when it does not parse.
PlistPtr parse(const QByteArray &data)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max())
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    return PlistPtr(root);
}

// Real property lists nest a few levels; a file nested deeper is refused
// instead of running the conversion out of stack.
constexpr int maximumDepth = 256;

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
