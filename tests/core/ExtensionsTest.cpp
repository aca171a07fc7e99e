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

// A list and an extension a row, and whether they match.
TEST(Extensions, MatchIsExactAfterUpperCasing)
{
    std::string longList;
    for (int i = 0; i < 500; ++i)
        longList += "|X" + std::to_string(i);
    const struct {
        const char* list;
        const char* ext;
        int match;
    } rows[] = {
        {"|MP3|WAV", "wav", 1}, {"|mp3|wav", "MP3", 1}, {"|MP3|WAV", "MP", 0}, {"|MP3|WAV", "MP3X", 0},
        {"|MP*", "MP3", 0},                          // no wildcards
        {"MP3|WAV", "MP3", 0}, {"MP3|WAV", "WAV", 1}, // text before the first bar is no entry
        {"", "MP3", 0},
        // An empty entry matches only the empty extension.
        {"|", "", 1}, {"|MP3|", "", 1}, {"|MP3", "", 0}, {"|", "MP3", 0},
        // A dotted extension loses its first character: "m.p3" becomes ".P3".
        {"|MP3", ".mp3", 1}, {"|P3", "m.p3", 0}, {"|.P3", "m.p3", 1},
        {nullptr, "MP3", 0}, {"|MP3", nullptr, 0},
        // Lists of any length.
        {longList.c_str(), "x0", 1}, {longList.c_str(), "X499", 1}, {longList.c_str(), "X500", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MatchExtension(row.list, row.ext), row.match)
            << std::string(row.list ? row.list : "null").substr(0, 20) << " " << (row.ext ? row.ext : "null");
}
