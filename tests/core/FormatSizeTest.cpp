#include <FileFacts.h>

#include <gtest/gtest.h>

#include <clocale>

TEST(FormatSize, BoundaryTable)
{
    const std::pair<quint64, const char *> cases[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {1022, "1022 bytes"},
        {1023, "0.0 KB"},
        {1024, "1.0 KB"},
        {2047, "1.0 KB"},
        {2048, "2.0 KB"},
        {1047551, "1022.0 KB"},
        {1047552, "1.0 MB"},
        {1572864, "1.5 MB"},
        {1072693247, "1023.0 MB"},
        {1072693248, "1.0 GB"},
        {1099511627776ULL, "1024.0 GB"},
    };
    for (const auto &[bytes, text] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(formatSize(bytes), QString(text));
    }
}

TEST(FormatSize, DecimalPointIgnoresTheUserLocale)
{
    // Debian always has C.UTF-8; a comma locale may not be installed, so any
    // locale that differs shows the rule as long as the text keeps its point.
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(formatSize(1572864), QStringLiteral("1.5 MB"));
    std::setlocale(LC_NUMERIC, saved.c_str());
}
