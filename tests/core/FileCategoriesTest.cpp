#include <FileCategories.h>

#include <gtest/gtest.h>

TEST(FileCategories, LookupIgnoresLetterCaseAndMatchesWholeEntries)
{
    const std::pair<const char *, ScanResultKeys> cases[] = {
        {"JPG", ScanResultKeys::Photos},     {"Jpg", ScanResultKeys::Photos},
        {"jpg", ScanResultKeys::Photos},     {"AI", ScanResultKeys::Photos},
        {"PPS", ScanResultKeys::Documents},  {"webm", ScanResultKeys::Videos},
        {"pkg", ScanResultKeys::Archives},   {"audio cd", ScanResultKeys::Musics},
        {"MPEG-2", ScanResultKeys::Videos},  {"", ScanResultKeys::Others},
        {"tar", ScanResultKeys::Others},     {"gz", ScanResultKeys::Others},
        {"dmg", ScanResultKeys::Others},     {"app", ScanResultKeys::Others},
        {"jp", ScanResultKeys::Others},      {"jpgx", ScanResultKeys::Others},
    };
    for (const auto &[extension, expected] : cases) {
        SCOPED_TRACE(extension);
        EXPECT_EQ(category(extension), expected);
    }
    EXPECT_EQ(photoExtensions().size(), 35);
    EXPECT_EQ(videoExtensions().size(), 19);
    EXPECT_EQ(musicExtensions().size(), 25);
    EXPECT_EQ(documentExtensions().size(), 24);
}
