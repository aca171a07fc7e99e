#include "catalogue/Extensions.h"
#include <gtest/gtest.h>

TEST(Extensions, ExtensionIsTheUpperCasedTextAfterTheLastDot)
{
    std::string ext = "unchanged";
    EXPECT_FALSE(GetExtension("track", ext));
    EXPECT_EQ(ext, "unchanged");
    EXPECT_TRUE(GetExtension("a.b.mp3", ext));
    EXPECT_EQ(ext, "MP3");
    EXPECT_TRUE(GetExtension("track.", ext));
    EXPECT_EQ(ext, "");
    EXPECT_TRUE(GetExtension("C:\\Music.d\\song", ext)); // the path's last dot, wherever it is
    EXPECT_EQ(ext, "D\\SONG");
}

TEST(Extensions, MatchIsExactAfterUpperCasing)
{
    EXPECT_EQ(MatchExtension("|MP3|WAV", "wav"), 1);
    EXPECT_EQ(MatchExtension("|mp3|wav", "MP3"), 1);
    EXPECT_EQ(MatchExtension("|MP3|WAV", "MP"), 0);
    EXPECT_EQ(MatchExtension("|MP3|WAV", "MP3X"), 0);
    EXPECT_EQ(MatchExtension("|MP*", "MP3"), 0); // no wildcards
    EXPECT_EQ(MatchExtension("MP3|WAV", "MP3"), 0); // text before the first bar is no entry
    EXPECT_EQ(MatchExtension("MP3|WAV", "WAV"), 1);
    EXPECT_EQ(MatchExtension("", "MP3"), 0);
}

TEST(Extensions, EmptyEntryMatchesOnlyTheEmptyExtension)
{
    EXPECT_EQ(MatchExtension("|", ""), 1);
    EXPECT_EQ(MatchExtension("|MP3|", ""), 1);
    EXPECT_EQ(MatchExtension("|MP3", ""), 0);
    EXPECT_EQ(MatchExtension("|", "MP3"), 0);
}

TEST(Extensions, DottedExtensionLosesItsFirstCharacter)
{
    EXPECT_EQ(MatchExtension("|MP3", ".mp3"), 1);
    EXPECT_EQ(MatchExtension("|P3", "m.p3"), 0); // "m.p3" becomes ".P3"
    EXPECT_EQ(MatchExtension("|.P3", "m.p3"), 1);
}

TEST(Extensions, NullArgumentsNeverMatch)
{
    EXPECT_EQ(MatchExtension(nullptr, "MP3"), 0);
    EXPECT_EQ(MatchExtension("|MP3", nullptr), 0);
}

TEST(Extensions, ListsOfAnyLengthWork)
{
    std::string list;
    for (int i = 0; i < 500; ++i)
        list += "|X" + std::to_string(i);
    EXPECT_EQ(MatchExtension(list.c_str(), "x0"), 1);
    EXPECT_EQ(MatchExtension(list.c_str(), "X499"), 1);
    EXPECT_EQ(MatchExtension(list.c_str(), "X500"), 0);
}
