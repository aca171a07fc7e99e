// The paths the wide file calls are given: long ones normalised by the system
// and in the long form, the rest as the text was.
#include "TestFs.h"
#include "platform/LongPath.h"
#include "platform/PlatformFile.h"
#include "platform/win32/WidePath.h"
#include <gtest/gtest.h>

namespace {
std::u16string U16(const std::string& utf8) { return platform::Utf8ToWide(utf8); }
} // namespace

TEST(WidePath, LongPathsAreNormalisedThenPrefixedAndShortOnesLeftAsTheyAre)
{
    const std::string tail(260, 'n');
    EXPECT_EQ(platform::WidePath({"C:/Music/./Rock/../" + tail, platform::CODE_UTF8}),
              U16("\\\\?\\C:\\Music\\" + tail));
    EXPECT_EQ(platform::WidePath({"\\\\nas\\music/Пётр\\" + tail, platform::CODE_UTF8}),
              U16("\\\\?\\UNC\\nas\\music\\Пётр\\" + tail));
    EXPECT_EQ(platform::WidePath({"C:/Music/./Пётр", platform::CODE_UTF8}), U16("C:/Music/./Пётр"));
    const std::string relative = "Music\\" + tail;
    EXPECT_EQ(platform::WidePath({relative, platform::CODE_UTF8}), U16(relative));
}

class LongPaths : public FsTest {};

// A file of a path far beyond the limit, through every file call of the seam.
TEST_F(LongPaths, EveryFileCallTakesThemInUtf8)
{
    const platform::TextCode utf8 = platform::CODE_UTF8;
    std::string folder = m_root;
    while (U16(folder).size() < 300) {
        folder += "\\Папка с длинным именем";
        ASSERT_EQ(platform::CreateFolder({folder, utf8}), platform::FC_OK) << folder.size();
    }
    const std::string file = folder + "\\genres.ini", moved = folder + "\\moved.ini";
    PutFile(file, "[English]\r\n17=Rock\r\n", utf8);
    EXPECT_TRUE(platform::PathExists({file, utf8}));
    EXPECT_EQ(GetFile(file, utf8), "[English]\r\n17=Rock\r\n");
    EXPECT_EQ(platform::ReadIniString("English", "17", "", {file, utf8}, 64), "Rock");
    EXPECT_EQ(platform::CheckWritable({file, utf8}), platform::FC_OK);
    EXPECT_EQ(platform::MoveReplacing({file, utf8}, {moved, utf8}), platform::FC_OK);
    EXPECT_FALSE(platform::PathExists({file, utf8}));
    EXPECT_EQ(platform::RemoveFile({moved, utf8}), platform::FC_OK);
    EXPECT_FALSE(platform::PathExists({moved, utf8}));
}
