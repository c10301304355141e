#include <PropertyList.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSize>
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
