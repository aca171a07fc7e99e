// The text seam must order and fold exactly as the Windows runtime does, or
// the catalogue's indexes would differ between the two builds.
#include "platform/PlatformText.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

using namespace platform;

TEST(Text, CaseInsensitiveCompareFoldsAsciiToLowerCaseOnly)
{
    EXPECT_EQ(MbsICmp("ABBA", "abba"), 0);
    EXPECT_NE(MbsICmp("\xC9", "\xE9"), 0); // accented letters keep their case
    // Folding to lower case puts '_' (0x5F) before every letter.
    EXPECT_LT(MbsICmp("_x", "a"), 0);
    EXPECT_LT(MbsICmp("_x", "A"), 0);
    EXPECT_LT(MbsICmp("abc", "ABCD"), 0);
    // The runtime compares signed chars here: bytes from 0x80 come first.
    EXPECT_LT(MbsICmp("\xC4", "_"), 0);
    EXPECT_GT(MbsICmp("a", "\xE4"), 0);
    EXPECT_EQ(MbsICollate("mp3", "MP3"), 0);
}

TEST(Text, CaseSensitiveCompareIsUnsignedByteOrder)
{
    EXPECT_LT(MbsCmp("B", "a"), 0);
    EXPECT_GT(MbsCmp("\xE9", "z"), 0);
    EXPECT_EQ(MbsCmp("C:\\A.MP3", "C:\\A.MP3"), 0);
    EXPECT_NE(MbsCmp("C:\\A.MP3", "c:\\a.mp3"), 0);

    std::vector<std::string> names = {"b", "\xC4", "B", "a", "_", "A"};
    std::sort(names.begin(), names.end(), MbsLess());
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "_", "a", "b", "\xC4"}));
    std::stable_sort(names.begin(), names.end(), MbsILess());
    EXPECT_EQ(names, (std::vector<std::string>{"\xC4", "_", "A", "a", "B", "b"}));
}

TEST(Text, UpperCaseAndLastCharacter)
{
    char s[] = "abc\xE9z.mp3";
    MbsUpr(s);
    EXPECT_STREQ(s, "ABC\xE9Z.MP3");
    const char* path = "C:\\a.b\\c.mp3";
    EXPECT_EQ(MbsRChr(path, '.'), path + 8);
    EXPECT_EQ(MbsRChr(path, '|'), nullptr);
}

TEST(Text, WideToAnsiUsesTheWesternCodePage)
{
    const uint16_t bjork[] = {'B', 'j', 0xF6, 'r', 'k', 0x20AC, 0x2019};
    EXPECT_EQ(WideToAnsi(bjork, 7), "Bj\xF6rk\x80\x92");
    const uint16_t cjk[] = {0x4E2D, 'x'};
    EXPECT_EQ(WideToAnsi(cjk, 2), "?x");
    EXPECT_EQ(WideToAnsi(nullptr, 0), "");
}
