// The quick filter's word matching and the stable column sort of the rows.
#include "TestRows.h"
#include "catalogue/TextFilter.h"
#include "listctrl/ListSort.h"
#include "listctrl/ListSorter.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

bool Passes(const std::string& filter, std::vector<std::string_view> texts,
            const platform::CCaseOrder& order = platform::CCaseOrder::Process())
{
    CTextFilter f;
    f.SetText(filter);
    return f.Passes(texts.data(), texts.size(), order);
}

std::vector<std::string> Names(const std::vector<ListRow*>& rows)
{
    std::vector<std::string> names;
    for (const ListRow* row : rows)
        names.emplace_back(row->strText.view());
    return names;
}

} // namespace

TEST(TextFilter, EveryWordSomewhereInAnyCase)
{
    EXPECT_TRUE(Passes("BEAT help", {"help.mp3", "", "The Beatles", ""}));
    EXPECT_FALSE(Passes("beat helpless", {"help.mp3", "", "The Beatles", ""})); // a word longer than any text
    EXPECT_TRUE(Passes("  \t \r\n", {""}));                                     // blanks only: no words
    EXPECT_TRUE(Passes("les bea", {"beatles"}));                               // words may share a text
    EXPECT_FALSE(Passes("x", {}));
    EXPECT_TRUE(Passes("ss", {"abcss"}));    // at the very end
    EXPECT_FALSE(Passes("ssa", {"abcss"}));  // runs past the end
    EXPECT_TRUE(Passes("aab", {"aaab"}));    // a false start
    CTextFilter none;
    none.SetText("anything", true); // a word no text of this code can hold
    const std::string_view text = "anything";
    EXPECT_FALSE(none.Passes(&text, 1, platform::CCaseOrder::Process()));
    EXPECT_TRUE(none.IsSet());
}

TEST(TextFilter, Utf8FoldsOnlyAsciiLetters)
{
    const platform::CCaseOrder& utf8 = platform::CCaseOrder::Utf8();
    EXPECT_TRUE(Passes("CAF\xC3\xA9", {"caf\xC3\xA9 noir"}, utf8));
    EXPECT_FALSE(Passes("caf\xC3\x89", {"caf\xC3\xA9 noir"}, utf8)); // E acute and e acute differ here
}

TEST(ListSorter, SortsStablyByTheColumnsTextsAndKeepsEveryRow)
{
    std::vector<ListRow> made = {Row(0, RowFile, "C:\\1", "b", nullptr), Row(0, RowFile, "C:\\2", "A", nullptr),
                                 Row(0, RowFile, "C:\\3", "c", nullptr), Row(0, RowFile, "C:\\4", "a", nullptr)};
    const char* times[] = {"10:00", "9:59", "10:00", "0:30"};
    std::vector<CMusicInfo> records(made.size());
    std::vector<ListRow*> rows;
    for (size_t i = 0; i < made.size(); ++i) {
        records[i].m_strTime = times[i];
        made[i].pInfo = &records[i];
        rows.push_back(&made[i]);
    }
    {
        CListSorter sorter(rows, 0, platform::CODE_ANSI);
        sorter.Sort(SORT_TEXT);
    }
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"A", "a", "b", "c"})); // A and a keep their order
    {
        CListSorter sorter(rows, 1, platform::CODE_ANSI);
        sorter.Sort(-SORT_TIME);
    }
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"b", "c", "A", "a"})); // 10:00 twice, in the order they had
}
