// FilterText as a user types it: both lists narrow to the records that hold
// every word, groups stay open, the selection keeps the rows that stay shown,
// and the counts and the catalogue stay whole.
#include "HostedControl.h"

namespace {

class FilterText : public Views {
protected:
    void Filter(const std::wstring& text) { ASSERT_EQ(Put(ctrl, L"FilterText", VStr(text.c_str())).hr, S_OK); }
    std::string SelectedText()
    {
        VARIANT text = VStr(L"");
        Method(ctrl, L"GetSelectedItemsString", {VRef(&text)});
        std::string s = Narrow(text.bstrVal);
        VariantClear(&text);
        return s;
    }
    LONG SelectedCount()
    {
        VARIANT n;
        VariantInit(&n);
        Method(ctrl, L"GetSelectedItems", {VRef(&n)});
        return n.vt == VT_I2 ? n.iVal : -1;
    }
    LONG Records()
    {
        LONG tagged = 0, mp3 = 0, all = 0;
        Method(ctrl, L"GetMusicCounts",
               {VPtr(VT_BYREF | VT_I4, &tagged), VPtr(VT_BYREF | VT_I4, &mp3), VPtr(VT_BYREF | VT_I4, &all)});
        return all;
    }
};

} // namespace

TEST_F(FilterText, NarrowsBothListsKeepingOrderOpenGroupsAndTheShownSelection)
{
    SearchLibrary(); // a (A, Band, First), x\b (B, band, First), c (C, Other, Second), d untagged, e.wav
    HWND files = Shown();
    ClickListHeader(files, 0); // the user sorts by name; which way depends on the module's last click
    const std::vector<std::string> sorted = Rows(files);
    const bool down = sorted.front() == "e.wav";
    ASSERT_EQ(sorted, down ? (std::vector<std::string>{"e.wav", "d.mp3", "c.mp3", "b.mp3", "a.mp3"})
                           : (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.wav"}));
    Select(files, {"c.mp3", "a.mp3"});

    Filter(L"BAND"); // the artists Band and band, whatever the case
    EXPECT_EQ(Rows(files), down ? (std::vector<std::string>{"b.mp3", "a.mp3"})
                                : (std::vector<std::string>{"a.mp3", "b.mp3"}));
    EXPECT_EQ(SelectedText(), "T:tree\\a.mp3|");
    EXPECT_EQ(sink.Last(SELECTED)->a, 1);
    EXPECT_EQ(SelectedCount(), 1);
    Filter(L"  band   first a.m "); // every word somewhere: artist, album, file name
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"a.mp3"}));
    Filter(L"sec oth");
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"c.mp3"}));
    EXPECT_EQ(sink.Last(SELECTED)->a, 0); // a.mp3 left the list and its selection
    EXPECT_EQ(Records(), 5);
    EXPECT_EQ(Method(ctrl, L"GetItemsFoundCount", {VStrings({L"*.mp3"})}).Long(), 4);
    Filter(L"");
    EXPECT_EQ(Rows(files), sorted);

    SetView(1040);
    HWND grouped = Shown();
    Click(grouped, Find(grouped, "Band"));
    Click(grouped, Find(grouped, "~~~Artist Unknown"));
    const std::vector<std::string> opened = {"~~~Artist Unknown", "  d.mp3", "  e.wav", "Band", "  a.mp3",
                                             "  b.mp3", "Other"};
    ASSERT_EQ(Rows(grouped), opened);
    Select(grouped, {"b.mp3", "Other"});
    Filter(L"b.mp");
    EXPECT_EQ(Rows(grouped), (std::vector<std::string>{"Band", "  b.mp3"}));
    EXPECT_EQ(SelectedText(), "T:tree\\x\\b.mp3|");
    Select(grouped, {"Band"}); // a group alone brings only its shown files
    EXPECT_EQ(SelectedText(), "<DIR name=\"Band\">T:tree\\x\\b.mp3|</DIR>");
    SetView(1041); // another view built under the filter, and back
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"First"}));
    SetView(1040);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"Band", "  b.mp3"}));
    Filter(L"no such word");
    EXPECT_TRUE(Rows(Shown()).empty());
    Filter(L"   ");
    EXPECT_EQ(Rows(Shown()), opened); // the groups that were open are open again
    SetView(1041);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Album Unknown", "First", "Second"}));
    EXPECT_EQ(Get(ctrl, L"FilterText").Str(), "   ");
}

TEST_F(FilterText, HoldsForWhatASearchAddsAndForTextsNoRecordCanHold)
{
    Filter(L"other");
    SearchLibrary();
    HWND files = Shown();
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"c.mp3"}));
    EXPECT_EQ(Records(), 5);
    CListView(files).SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(SelectedCount(), 1);

    Filter(std::wstring(100000, L'x'));
    EXPECT_TRUE(Rows(files).empty());
    EXPECT_EQ(Get(ctrl, L"FilterText").Str().size(), 100000u);
    Filter(L"\x0416\x0443\x043A mp3"); // Cyrillic, which the Western code page has no place for
    EXPECT_TRUE(Rows(files).empty());
    Filter(L"mp3\t");
    EXPECT_EQ(Rows(files).size(), 4u);
    EXPECT_EQ(Put(ctrl, L"FilterText", VLong(7)).hr, S_OK); // a number is taken as its text
    EXPECT_EQ(Get(ctrl, L"FilterText").Str(), "7");
    EXPECT_TRUE(Rows(files).empty());
    Filter(L"");
    EXPECT_EQ(Rows(files).size(), 5u);
}
