#include <NativePath.h>

#include <gtest/gtest.h>

TEST(NativePath, EveryByteStringRoundTrips)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        QString decoded;
        QByteArray json;
    };
    const Case cases[] = {
        {"ASCII", "/tmp/a b.txt", QStringLiteral("/tmp/a b.txt"), "\"/tmp/a b.txt\""},
        {"UTF-8", "/caf\xc3\xa9", QStringLiteral("/caf\u00e9"), "\"/caf\xc3\xa9\""},
        {"Latin-1 byte", "/caf\xe9", QStringLiteral("/caf") + QChar(0xDCE9), "\"/caf\\udce9\""},
        {"four-byte UTF-8", "/\xf0\x9f\x98\x80", QString::fromUtf8("/\xf0\x9f\x98\x80"), "\"/\xf0\x9f\x98\x80\""},
        {"truncated sequence", "/\xe2\x82", QStringLiteral("/") + QChar(0xDCE2) + QChar(0xDC82), "\"/\\udce2\\udc82\""},
        {"encoded surrogate", "/\xed\xb3\xa9", QStringLiteral("/") + QChar(0xDCED) + QChar(0xDCB3) + QChar(0xDCA9),
         "\"/\\udced\\udcb3\\udca9\""},
        {"overlong slash", "/\xc0\xaf", QStringLiteral("/") + QChar(0xDCC0) + QChar(0xDCAF), "\"/\\udcc0\\udcaf\""},
        {"newline and quote", "/a\nb\"c\\", QStringLiteral("/a\nb\"c\\"), "\"/a\\nb\\\"c\\\\\""},
        {"control byte", "/\x01", QStringLiteral("/\u0001"), "\"/\\u0001\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString decoded = NativePath::decode(c.bytes);
        EXPECT_EQ(decoded, c.decoded);
        EXPECT_EQ(NativePath::encode(decoded), c.bytes);
        EXPECT_EQ(NativePath::toJson(decoded), c.json);
    }
    // Every single byte after a slash comes back as itself.
    for (int byte = 1; byte < 256; ++byte) {
        const QByteArray bytes = QByteArray("/x") + char(byte);
        EXPECT_EQ(NativePath::encode(NativePath::decode(bytes)), bytes) << byte;
    }
}
