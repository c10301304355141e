#include "NestedLists.h"

#include <PropertyList.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QVariant roundTrip(const QVariant &value, PropertyList::Format format)
{
    const QByteArray data = PropertyList::toData(value, format);
    EXPECT_FALSE(data.isEmpty());
    const auto back = PropertyList::fromData(data);
    EXPECT_TRUE(back.has_value());
    return back.value_or(QVariant());
}

} // namespace

TEST(PropertyList, TypesSurviveBothFormats)
{
    const QDateTime date(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    QVariantMap map;
    map.insert("bool", true);
    map.insert("negative", qint64(-5));
    map.insert("positive", quint64(1024));
    map.insert("huge", std::numeric_limits<quint64>::max() - 4);
    map.insert("real", 2.5);
    map.insert("text", QStringLiteral("grüße"));
    map.insert("date", date);
    map.insert("data", QByteArray("\x00\x01\x02", 3));
    map.insert("list", QVariantList{true, QStringLiteral("a")});

    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        const QVariantMap back = roundTrip(map, format).toMap();
        EXPECT_EQ(back.value("bool").typeId(), QMetaType::Bool);
        EXPECT_EQ(back.value("negative").typeId(), QMetaType::LongLong);
        EXPECT_EQ(back.value("negative").toLongLong(), -5);
        EXPECT_EQ(back.value("positive").typeId(), QMetaType::ULongLong);
        EXPECT_EQ(back.value("positive").toULongLong(), 1024u);
        EXPECT_EQ(back.value("real").toDouble(), 2.5);
        EXPECT_EQ(back.value("text").toString(), QStringLiteral("grüße"));
        EXPECT_EQ(back.value("date").toDateTime(), date);
        if (format == PropertyList::Format::Binary) {
            // XML dates of this libplist keep whole seconds; binary ones keep fractions.
            const QDateTime fine = date.addMSecs(500);
            EXPECT_EQ(roundTrip(fine, format).toDateTime(), fine);
        }
        EXPECT_EQ(back.value("data").toByteArray(), QByteArray("\x00\x01\x02", 3));
        EXPECT_EQ(back.value("list").toList().size(), 2);
        if (format == PropertyList::Format::Xml) {
            // The binary format of this libplist keeps only signed 64-bit integers.
            EXPECT_EQ(back.value("huge").typeId(), QMetaType::ULongLong);
            EXPECT_EQ(back.value("huge").toULongLong(), std::numeric_limits<quint64>::max() - 4);
        }
    }
}

TEST(PropertyList, RejectsGarbageAndUnrepresentableValues)
{
    EXPECT_FALSE(PropertyList::fromData(QByteArray()).has_value());
    EXPECT_FALSE(PropertyList::fromData("not a property list").has_value());
    EXPECT_TRUE(PropertyList::toData(QVariant::fromValue(QSize(1, 2))).isEmpty());
    EXPECT_FALSE(PropertyList::isRepresentable(QVariantList{QVariant::fromValue(QSize(1, 2))}));
}

namespace {

QByteArray nestedArrays(int depth)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">";
    xml.reserve(depth * 15 + 100);
    for (int i = 0; i < depth; ++i)
        xml += "<array>";
    for (int i = 0; i < depth; ++i)
        xml += "</array>";
    return xml + "</plist>";
}

} // namespace

TEST(PropertyList, HostileInputIsRefusedWithoutHarm)
{
    const QString folder = QDir::tempPath() + QStringLiteral("/twinmoor-plist-%1").arg(::getpid());
    QDir().mkpath(folder);
    const QString nested = folder + "/nested.plist";
    {
        QFile file(nested);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(nestedArrays(100000));
    }
    const QString fifo = folder + "/fifo.plist";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    // A list nested as deep as real ones still reads.
    EXPECT_TRUE(PropertyList::fromData(nestedArrays(50)));
    // Far deeper: refused, not a stack overflow.
    EXPECT_FALSE(PropertyList::fromData(nestedArrays(100000)));
    struct Case
    {
        const char *name;
        QString path;
    };
    const Case cases[] = {
        {"deeply nested file", nested},
        {"FIFO (would block)", fifo},
        {"endless device", QStringLiteral("/dev/zero")},
        {"folder", folder},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(PropertyList::fromFile(c.path));
    }
    QDir(folder).removeRecursively();
}

namespace {

// Arrays nested that many levels inside a root dictionary (which counts as
// one), the innermost holding the leaf when one is given.
QVariant nestedInDictionary(int containers, const QVariant &leaf = {})
{
    QVariant inner = leaf.isValid() ? QVariantList{leaf} : QVariantList{};
    for (int level = 2; level < containers; ++level)
        inner = QVariantList{inner};
    return QVariantMap{{QStringLiteral("key"), inner}};
}

// Whether each reader reads the list: from memory, from a file, and entry by
// entry from a file.
struct Readers
{
    bool fromData = false;
    bool fromFile = false;
    bool entries = false;
};

Readers readWithEveryReader(const QByteArray &data)
{
    QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/list.plist");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    file.close();
    return {PropertyList::fromData(data).has_value(), PropertyList::fromFile(path).has_value(),
            PropertyList::dictionaryEntriesFromFile(path).has_value()};
}

} // namespace

TEST(PropertyList, NoReaderTakesAListNestedDeeperThan256)
{
    struct Case
    {
        const char *name;
        QVariant value;
        bool readable;
    };
    const Case cases[] = {
        {"256 levels and a leaf", nestedInDictionary(256, QStringLiteral("leaf")), true},
        {"256 levels, the last empty", nestedInDictionary(256), true},
        {"257 levels, the last empty", nestedInDictionary(257), false},
        {"300 levels", nestedInDictionary(300, true), false},
    };
    for (const Case &c : cases) {
        for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
            SCOPED_TRACE(std::string(c.name) + (format == PropertyList::Format::Xml ? " (XML)" : " (binary)"));
            const Readers read = readWithEveryReader(PropertyList::toData(c.value, format));
            EXPECT_EQ(read.fromData, c.readable);
            EXPECT_EQ(read.fromFile, c.readable);
            EXPECT_EQ(read.entries, c.readable);
        }
    }
}

TEST(PropertyList, ListsNestedPastTheParsersStackAreRefusedByEveryReader)
{
    // In a child process: before the depth was measured on the bytes, the
    // parser library ran out of stack on these. The child leaves by _exit so
    // that no exit handler removes the test's temporary folders.
    const QByteArray lists[] = {NestedLists::xmlArrays(NestedLists::crashingXmlDepth),
                                NestedLists::binaryArrays(NestedLists::crashingBinaryDepth)};
    for (const QByteArray &list : lists) {
        SCOPED_TRACE(list.left(8).constData());
        EXPECT_EXIT(
            {
                const Readers read = readWithEveryReader(list);
                ::_exit(read.fromData || read.fromFile || read.entries ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST(PropertyList, XmlMarkupOutsideElementsIsNotCountedAndNeverHidesOne)
{
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";
    const auto list = [&head](const QByteArray &body) {
        return head + "<plist version=\"1.0\"><dict><key>k</key>" + body + "</dict></plist>";
    };
    const QByteArray deep = QByteArray("<array>").repeated(300) + QByteArray("</array>").repeated(300);
    struct Case
    {
        const char *name;
        QByteArray data;
        bool readable;
    };
    const Case cases[] = {
        {"a comment full of arrays", list("<!-- " + deep + " --><true/>"), true},
        {"a CDATA section full of arrays", list("<string><![CDATA[" + deep + "]]></string>"), true},
        {"many empty elements side by side", list("<array>" + QByteArray("<true/><array/>").repeated(300) + "</array>"),
         true},
        {"an empty element with a space", list("<array>" + QByteArray("<false />").repeated(300) + "</array>"), true},
        {"arrays nested too deep", list(deep), false},
        {"arrays whose quoted attribute holds an empty-element end",
         list(QByteArray("<array a=\"/>\">").repeated(300) + QByteArray("</array>").repeated(300)), false},
        {"a quoted '>' in a processing instruction", "<?xml version=\">\"?>" + list("<true/>"), false},
        {"a document type with an internal subset",
         "<!DOCTYPE plist [ <!ENTITY e \"x\"> ]>" + list("<true/>"), false},
        {"an element closed by another name", list("<array></dict>" + deep + "</array>"), false},
        {"an unfinished comment", list("<true/><!-- " + deep), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PropertyList::fromData(c.data).has_value(), c.readable);
    }
}

TEST(PropertyList, MalformedBinaryTablesAreUnreadable)
{
    using namespace NestedLists;
    // The top object is an array of a string and an empty array.
    const QList<QByteArray> objects{arrayObject({1, 2}, 1), QByteArray("\x51" "a"), arrayObject({}, 1)};
    const QByteArray valid = binaryList(objects, 0, 1);
    ASSERT_TRUE(PropertyList::fromData(valid));
    ASSERT_EQ(PropertyList::fromData(valid)->toList().size(), 2);

    const qsizetype trailer = valid.size() - 32;
    const auto patched = [&valid](qsizetype at, const QByteArray &bytes) {
        QByteArray data = valid;
        data.replace(at, bytes.size(), bytes);
        return data;
    };
    struct Case
    {
        const char *name;
        QByteArray data;
    };
    const Case cases[] = {
        {"cut short", valid.left(valid.size() - 1)},
        {"no trailer at all", valid.left(40)},
        {"another version", patched(6, "01")},
        {"offsets of no width", patched(trailer + 6, QByteArray(1, '\0'))},
        {"references of no width", patched(trailer + 7, QByteArray(1, '\0'))},
        {"references wider than 8 bytes", patched(trailer + 7, QByteArray(1, '\x09'))},
        {"no objects", patched(trailer + 8, bigEndian(0, 8))},
        {"more objects than the table holds", patched(trailer + 8, bigEndian(1000, 8))},
        {"a top object past the last", patched(trailer + 16, bigEndian(3, 8))},
        {"a table inside the header", patched(trailer + 24, bigEndian(4, 8))},
        {"a table past the trailer", patched(trailer + 24, bigEndian(quint64(valid.size()), 8))},
        {"a table offset that wraps around", patched(trailer + 24, bigEndian(~quint64(0), 8))},
        {"an object offset inside the header", binaryList(objects, 0, 1).replace(trailer - 3, 1, "\x02")},
        {"an object offset in the table", binaryList(objects, 0, 1).replace(trailer - 3, 1, QByteArray(1, char(trailer - 1)))},
        {"a reference past the last object", binaryList({arrayObject({1, 7}, 1), "\x51" "a"}, 0, 1)},
        {"an array longer than the file", binaryList({QByteArray("\xAF\x13") + bigEndian(~quint64(0) / 2, 8)}, 0, 1)},
        {"a count that is no integer", binaryList({QByteArray("\xAF\x23") + bigEndian(1, 8)}, 0, 1)},
        {"an array holding itself", binaryList({arrayObject({0}, 1)}, 0, 1)},
        {"a dictionary holding its parent",
         binaryList({arrayObject({1}, 1), QByteArray("\xD1\x02\x00", 3), "\x51" "k"}, 0, 1)},
        {"arrays shared without end", [] {
             // Each array holds the next one twice: a hundred bytes, but two
             // million arrays for a parser that copies what is shared (and
             // a few more levels would take any amount of memory).
             QList<QByteArray> shared;
             for (quint64 i = 0; i < 20; ++i)
                 shared.append(arrayObject({i + 1, i + 1}, 1));
             shared.append(arrayObject({}, 1));
             return binaryList(shared, 0, 1);
         }()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(PropertyList::fromData(c.data));
    }
}
