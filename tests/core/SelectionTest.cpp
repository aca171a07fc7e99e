#include "TestRows.h"
#include "listctrl/ListSort.h"
#include "listctrl/Selection.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A grouped list: Rock with a.mp3 and b.mp3, Jazz with c.mp3, a drive and the nothing-found row.
struct Rows {
    ListRow rock = Row(0, RowGroupOpen, "Rock", "Rock", nullptr);
    ListRow a = Row(1, RowFile, "C:\\m\\a.mp3", "a.mp3", &rock);
    ListRow b = Row(1, RowFile, "C:\\m\\b.mp3", "b.mp3", &rock);
    ListRow jazz = Row(0, RowGroup, "Jazz", "Jazz", nullptr);
    ListRow c = Row(1, RowFile, "C:\\m\\c.mp3", "c.mp3", &jazz);
    ListRow drive = Row(0, RowDrive, "C:\\", "C:", nullptr);
    ListRow none = Row(0, RowNoneFound, "*NONEFOUND*", "nothing", nullptr);
};

// The text of the rows; a group filled by the list shows as a marker.
std::string Text(std::vector<const ListRow*> rows, std::vector<std::string>* filled = nullptr)
{
    std::string text = "old";
    BuildSelectionText(rows.data(), int(rows.size()), text, [&](const ListRow& group, std::string& out) {
        if (filled)
            filled->emplace_back(group.strKey.view());
        out += "[" + std::string(group.strKey.view()) + " files]";
    });
    return text;
}

} // namespace

TEST(SelectionText, GroupsKeepTheirFilesTogether)
{
    Rows r;
    EXPECT_EQ(Text({&r.a, &r.c}), "C:\\m\\a.mp3|C:\\m\\c.mp3|"); // a file without its group row is loose
    std::vector<std::string> filled;
    EXPECT_EQ(Text({&r.rock, &r.a, &r.b}, &filled), "<DIR name=\"Rock\">C:\\m\\a.mp3|C:\\m\\b.mp3|</DIR>");
    EXPECT_TRUE(filled.empty()); // a group with files of its own selected is not filled
    // A file of another group closes the open group, which gets its files from the list.
    EXPECT_EQ(Text({&r.rock, &r.c}), "<DIR name=\"Rock\">[Rock files]</DIR>C:\\m\\c.mp3|");
    // Every group is closed before the next one opens; the last one is closed at the end.
    EXPECT_EQ(Text({&r.rock, &r.a, &r.jazz}),
              "<DIR name=\"Rock\">C:\\m\\a.mp3|</DIR><DIR name=\"Jazz\">[Jazz files]</DIR>");
}

TEST(SelectionText, SkippedRowsAndNoRows)
{
    Rows r;
    EXPECT_EQ(Text({&r.drive, &r.none}), ""); // only skipped rows: an empty text
    EXPECT_EQ(Text({nullptr, &r.a, &r.drive}), "C:\\m\\a.mp3|");
    std::string text = "kept";
    BuildSelectionText(nullptr, 3, text, nullptr);
    const ListRow* one[] = {&r.a};
    BuildSelectionText(one, 0, text, nullptr);
    EXPECT_EQ(text, "kept");
    // Names and paths go in as they are, without escaping.
    ListRow odd = Row(0, RowUnknownOpen, "*UNKNFOLDER*", "A \"<b>\" | c", nullptr);
    ListRow file = Row(1, RowFile, "C:\\x|y.mp3", "x|y.mp3", &odd);
    EXPECT_EQ(Text({&odd, &file}), "<DIR name=\"A \"<b>\" | c\">C:\\x|y.mp3|</DIR>");
}

TEST(DropFiles, BlockLayoutWideAndAnsi)
{
    std::vector<uint8_t> wide = DropFilesBlock({"C:\\a.mp3"}, true);
    ASSERT_EQ(wide.size(), 40u); // 22 + 2 * 8 + 2
    const uint8_t header[20] = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(wide.data(), header, 20), 0);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide.data() + 20), 8), u"C:\\a.mp3");
    EXPECT_TRUE(std::all_of(wide.end() - 4, wide.end(), [](uint8_t b) { return b == 0; }));

    std::vector<uint8_t> ansi = DropFilesBlock({"C:\\a.mp3", "D:\\\xE9.wav"}, false);
    ASSERT_EQ(ansi.size(), 21u + 9 + 9);
    EXPECT_EQ(ansi[16], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ansi.data() + 20), ansi.size() - 20),
              std::string("C:\\a.mp3\0D:\\\xE9.wav\0\0", 19));
    // The accented letter of the ANSI code page becomes its UTF-16 character.
    std::vector<uint8_t> accented = DropFilesBlock({"\xE9"}, true);
    ASSERT_EQ(accented.size(), 26u);
    EXPECT_EQ(accented[20] | accented[21] << 8, 0xE9);
}

TEST(ListSort, TextsAndTimes)
{
    EXPECT_EQ(CompareSortTexts("abc", "ABC", SORT_TEXT), 0);
    EXPECT_EQ(CompareSortTexts("abc", "ABC", -SORT_TIME), 0);
    EXPECT_LT(CompareSortTexts("Abba", "beatles", SORT_TEXT), 0);
    EXPECT_GT(CompareSortTexts("Abba", "beatles", -SORT_TEXT), 0);
    // Right-aligned times sort by value; plain text order would put 10:00 first.
    EXPECT_LT(CompareSortTexts("9:59", "10:00", SORT_TIME), 0);
    EXPECT_GT(CompareSortTexts("9:59", "10:00", SORT_TEXT), 0);
    EXPECT_GT(CompareSortTexts("9:59", "10:00", -SORT_TIME), 0);
    // A text longer than ten characters is compared whole, neither cut nor padded.
    EXPECT_LT(CompareSortTexts("10000:00:00", "10000:00:01", SORT_TIME), 0);
    EXPECT_GT(CompareSortTexts("10000:00:00", "9:59", SORT_TIME), 0);
    EXPECT_EQ(CompareSortTexts("a", "b", 3), 0);
    EXPECT_EQ(CompareSortTexts("a", "b", 0), 0);
}

TEST(ListSort, MemoryTurnsTheDirectionRoundPerColumn)
{
    SortMemory m;
    EXPECT_EQ(m.Click(0), SORT_TEXT);  // the first click on Name sorts ascending
    EXPECT_EQ(m.Click(0), -SORT_TEXT);
    EXPECT_EQ(m.Click(1), -SORT_TIME); // a new column starts descending
    EXPECT_EQ(m.Click(1), SORT_TIME);
    EXPECT_EQ(m.Click(2), -SORT_TEXT);
    EXPECT_EQ(m.Click(0), -SORT_TEXT); // Type then Name: Name descending
    SortMemory fresh;
    EXPECT_EQ(fresh.Click(3), -SORT_TEXT);
}
