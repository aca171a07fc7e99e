#include "platform/LongPath.h"
#include <gtest/gtest.h>

using platform::kLongPathUnits;

namespace {
// A path of exactly n units that begins as given.
std::u16string OfLength(std::u16string start, size_t n)
{
    while (start.size() < n)
        start += start.size() % 10 == 9 ? u'\\' : u'x';
    start.resize(n);
    return start;
}
} // namespace

TEST(LongPath, OnlyLongAbsolutePathsTakeTheLongForm)
{
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"C:\\", kLongPathUnits - 1)));
    EXPECT_TRUE(platform::NeedsLongForm(OfLength(u"C:\\", kLongPathUnits)));
    EXPECT_TRUE(platform::NeedsLongForm(OfLength(u"c:/", 300)));
    EXPECT_TRUE(platform::NeedsLongForm(OfLength(u"\\\\nas\\music\\", 300)));
    EXPECT_TRUE(platform::NeedsLongForm(OfLength(u"//nas/music/", 300)));
    // Relative paths keep the system's resolution against a current folder.
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"Music\\", 300)));
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"C:Music\\", 300)));
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"\\Music\\", 300)));
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"1:\\", 300)));
    // The system's own forms are left as they are.
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"\\\\?\\C:\\", 300)));
    EXPECT_FALSE(platform::NeedsLongForm(OfLength(u"\\\\.\\pipe\\", 300)));
    EXPECT_TRUE(platform::NeedsLongForm(OfLength(u"\\\\?x\\share\\", 300))); // a server named "?x"
}

TEST(LongPath, DrivesAndSharesTakeTheirPrefix)
{
    EXPECT_EQ(platform::LongForm(u"C:\\Music\\a.mp3"), u"\\\\?\\C:\\Music\\a.mp3");
    EXPECT_EQ(platform::LongForm(u"\\\\nas\\music\\a.mp3"), u"\\\\?\\UNC\\nas\\music\\a.mp3");
}
