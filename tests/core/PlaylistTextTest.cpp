// The demo host's reading of the tagged selection text, against the text the
// result lists write.
#include "host/Playlist.h"
#include "TestRows.h"
#include "listctrl/Selection.h"
#include <gtest/gtest.h>

namespace {

// "name: a b" for a group, "a" for a loose file; items separated by " / ".
std::string Shape(const std::vector<PlaylistItem>& items)
{
    std::string out;
    for (const PlaylistItem& item : items) {
        if (!out.empty())
            out += " / ";
        if (item.bGroup)
            out += item.strName + ":";
        for (const std::string& path : item.paths)
            out += (item.bGroup ? " " : "") + path;
    }
    return out;
}

} // namespace

TEST(PlaylistText, ReadsWhatTheListsWrite)
{
    // Groups with names that hold the markup's own characters, since nothing is escaped.
    ListRow rock = Row(0, RowGroupOpen, "Rock", "Say \"Hi\">|now", nullptr);
    ListRow a = Row(1, RowFile, "C:\\m\\a.mp3", "a.mp3", &rock);
    ListRow b = Row(1, RowFile, "C:\\m\\b.mp3", "b.mp3", &rock);
    ListRow jazz = Row(0, RowGroup, "Jazz", "\">", nullptr);
    ListRow c = Row(1, RowFile, "C:\\m\\c.mp3", "c.mp3", &jazz);
    ListRow loose = Row(1, RowFile, "D:\\d.wav", "d.wav", nullptr);
    const ListRow* rows[] = {&rock, &a, &b, &jazz, &loose, &c};
    std::string text;
    BuildSelectionText(rows, 6, text, [](const ListRow& group, std::string& out) {
        if (group.strKey == "Jazz")
            out += "C:\\m\\c.mp3|";
    });
    EXPECT_EQ(Shape(ParseTaggedText(text)),
              "Say \"Hi\">|now: C:\\m\\a.mp3 C:\\m\\b.mp3 / \">: C:\\m\\c.mp3 / D:\\d.wav / C:\\m\\c.mp3");

    const ListRow* empty[] = {&rock, &jazz};
    text.clear();
    BuildSelectionText(empty, 2, text, [](const ListRow&, std::string&) {});
    EXPECT_EQ(Shape(ParseTaggedText(text)), "Say \"Hi\">|now: / \">:");
}

TEST(PlaylistText, TextFromElsewhereGivesWhatItCan)
{
    EXPECT_EQ(Shape(ParseTaggedText("just some words")), "");
    EXPECT_EQ(Shape(ParseTaggedText("C:\\a.mp3||C:\\b.mp3|tail")), "C:\\a.mp3 / C:\\b.mp3");
    EXPECT_EQ(Shape(ParseTaggedText("</DIR>C:\\a.mp3|<DIR name=\"Open\">C:\\b.mp3|")), "C:\\a.mp3 / Open: C:\\b.mp3");
    EXPECT_EQ(Shape(ParseTaggedText("C:\\a.mp3|<DIR name=\"cut short")), "C:\\a.mp3");
}
