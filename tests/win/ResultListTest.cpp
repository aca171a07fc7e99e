// The selection leaving the lists (paths and tagged text), sorting by a header
// click and the context menu, driven as a user and a host drive them.
#include "HostedControl.h"
#include "MenuWatch.h"
#include <gtest/gtest.h>
#include <map>

namespace {

void ShiftF10(HWND list)
{
    HoldKey(VK_SHIFT, true);
    SendMessageA(list, WM_SYSKEYDOWN, VK_F10, 0);
    HoldKey(VK_SHIFT, false);
}

// A right click at a point of the list, the button released where it went down.
void RightClick(HWND list, POINT at)
{
    POINT screen = at;
    ClientToScreen(list, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    MSG msg;
    while (PeekMessageA(&msg, list, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE)) // not taken by the list's own loop
        DispatchMessageA(&msg);
}

class ResultList : public Views {
protected:
    std::vector<std::string> SelectedItems(SHORT* count) { return ::SelectedItems(ctrl, count); }
    // GetSelectedItemsString: its answer and the text, which starts as "kept".
    bool ItemsString(std::string& text)
    {
        VARIANT s;
        s.vt = VT_BSTR;
        s.bstrVal = SysAllocString(L"kept");
        Call c = Method(ctrl, L"GetSelectedItemsString", {VRef(&s)});
        text = Narrow(s.bstrVal);
        VariantClear(&s);
        return c.Bool();
    }
    std::string PathOf(const std::string& name) { return Cell(FileList(), Find(FileList(), name), 3); }
    HWND FileList() { return GetDlgItem(GetParent(Shown()), 321); }
};

} // namespace

TEST_F(ResultList, SelectionLeavesAsPathsAndTaggedText)
{
    SearchLibrary();
    HWND files = Shown();
    SHORT count = -1;
    VARIANT n = VShort(0);
    std::string text;
    EXPECT_TRUE(SelectedItems(&count).empty()); // nothing selected: empty, 0, FALSE, text untouched
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(ItemsString(text));
    EXPECT_EQ(text, "kept");

    const std::string a = PathOf("a.mp3"), c = PathOf("c.mp3");
    Select(files, {"e.wav", "a.mp3", "c.mp3"});
    std::vector<std::string> inListOrder;
    for (int i = 0; i < 5; ++i)
        if (CListView(files).ItemState(i, LVIS_SELECTED))
            inListOrder.push_back(Cell(files, i, 3));
    EXPECT_EQ(SelectedItems(&count), inListOrder);
    EXPECT_EQ(count, 3);
    LONG lower = -1; // a zero-based array
    EXPECT_EQ(SafeArrayGetLBound(Method(ctrl, L"GetSelectedItems", {VRef(&n)}).result.parray, 1, &lower), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_TRUE(ItemsString(text));
    EXPECT_EQ(text, inListOrder[0] + "|" + inListOrder[1] + "|" + inListOrder[2] + "|");
    // Every row selected (read without a walk) and all but the last (walked): the same paths but one.
    std::vector<std::string> all;
    for (int i = 0; i < 5; ++i)
        all.push_back(Cell(files, i, 3));
    Select(files, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.wav"});
    EXPECT_EQ(SelectedItems(&count), all);
    CListView(files).SetItemState(4, 0, LVIS_SELECTED);
    EXPECT_EQ(SelectedItems(&count), std::vector<std::string>(all.begin(), all.end() - 1));
    Select(files, {"e.wav", "a.mp3", "c.mp3"});

    // The grouped view answers from its own list: Band open with a.mp3 selected,
    // Other closed (its files come from the catalogue), the unknown group not selected.
    SetView(1040);
    HWND grouped = Shown();
    Click(grouped, Find(grouped, "Band"));
    Select(grouped, {"Band", "a.mp3", "Other"});
    EXPECT_TRUE(ItemsString(text));
    EXPECT_EQ(text, "<DIR name=\"Band\">" + a + "|</DIR><DIR name=\"Other\">" + c + "|</DIR>");
    EXPECT_EQ(SelectedItems(&count), std::vector<std::string>{a});
    // A file whose group row is not selected is a loose entry; the group rows give no paths.
    Select(grouped, {"b.mp3", "Other"});
    EXPECT_TRUE(ItemsString(text));
    EXPECT_EQ(text, PathOf("b.mp3") + "|<DIR name=\"Other\">" + c + "|</DIR>");
    Select(grouped, {"Other"});
    EXPECT_TRUE(SelectedItems(&count).empty());
    EXPECT_EQ(count, 0);
}

TEST_F(ResultList, HeaderClicksSortTheFileListWithOneMemoryForTheModule)
{
    const std::map<std::string, std::wstring> times = {
        {"a.mp3", L"9:59"}, {"b.mp3", L"10:00"}, {"c.mp3", L"1:02:03"}, {"d.mp3", L"0:30"}, {"e.wav", L"3:00"}};
    sink.timeOf = [&](const std::string& path) { return times.at(path.substr(path.rfind('\\') + 1)); };
    // Two information texts alike for their first 2,000 characters sort by what follows.
    const std::wstring alike(2000, L'x');
    const std::map<std::string, std::wstring> infos = {
        {"a.mp3", alike + L"1"}, {"b.mp3", alike + L"2"}, {"c.mp3", L"3"}, {"d.mp3", L"2"}, {"e.wav", L"1"}};
    sink.infoOf = [&](const std::string& path) { return infos.at(path.substr(path.rfind('\\') + 1)); };
    SearchLibrary();
    HWND files = Shown();
    const std::vector<std::string> longest = {"c.mp3", "b.mp3", "a.mp3", "e.wav", "d.mp3"};
    const std::vector<std::string> shortest(longest.rbegin(), longest.rend());
    ClickListHeader(files, 1); // the direction depends on the clicks before: the memory is the module's
    const std::vector<std::string> once = Rows(files);
    ASSERT_TRUE(once == longest || once == shortest) << once[0];
    const std::vector<std::string> twice = once == longest ? shortest : longest;
    ClickListHeader(files, 1);
    EXPECT_EQ(Rows(files), twice);
    // Another control's click on the same column turns the one direction round:
    // the next click here sorts as the last one did. Its list is empty.
    CHosted other;
    ASSERT_TRUE(other.Open(frame, 200));
    HWND empty = FindShownList(other.ax);
    ClickListHeader(empty, 1);
    EXPECT_EQ(CListView(empty).ItemCount(), 0);
    ClickListHeader(files, 1);
    EXPECT_EQ(Rows(files), twice);
    ClickListHeader(files, 2); // a new column starts descending
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"b.mp3", "a.mp3", "c.mp3", "d.mp3", "e.wav"}));
    ClickListHeader(files, 2);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"e.wav", "d.mp3", "c.mp3", "a.mp3", "b.mp3"}));
    ClickListHeader(files, 0);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"e.wav", "d.mp3", "c.mp3", "b.mp3", "a.mp3"}));

    // The rows stay with their items: double-click, export and the cells agree.
    Click(files, 0, WM_LBUTTONDBLCLK);
    ASSERT_NE(sink.Last(DBLCLICK), nullptr);
    EXPECT_EQ(sink.Last(DBLCLICK)->path, PathOf("e.wav"));
    Select(files, {"a.mp3", "e.wav"});
    SHORT count = 0;
    EXPECT_EQ(SelectedItems(&count), (std::vector<std::string>{PathOf("e.wav"), PathOf("a.mp3")}));
}

TEST_F(ResultList, ContextMenuByKeysAndMouseRaisesDoCommand)
{
    SearchLibrary();
    Method(ctrl, L"SetContextMenuString", {VShort(1), VStr(L"Add to playlist")});
    Method(ctrl, L"SetContextMenuString", {VShort(3), VStr(L"Nothing")});
    HWND files = Shown();
    // The host takes the files when the command comes, from inside the event.
    std::vector<std::string> asked;
    sink.after = [&](const Event& e) {
        SHORT count = 0;
        if (e.id == COMMAND)
            asked = SelectedItems(&count);
    };
    EXPECT_FALSE(Menu([&] { ShiftF10(files); }, {VK_ESCAPE}).shown); // nothing selected

    Select(files, {"a.mp3", "b.mp3"});
    const int last = std::max(Find(files, "a.mp3"), Find(files, "b.mp3"));
    MenuSeen seen = Menu([&] { ShiftF10(files); }, {VK_DOWN, VK_RETURN});
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(seen.Greyed(1)); // two files: no preview
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"Add to playlist", "~~~Preview"}));
    RECT label;
    CListView(files).ItemRect(last, label);
    POINT corner = {label.left, label.bottom};
    ClientToScreen(files, &corner);
    EXPECT_EQ(seen.rect.left, corner.x);
    EXPECT_EQ(seen.rect.top, corner.y);
    ASSERT_NE(sink.Last(COMMAND), nullptr);
    EXPECT_EQ(sink.Last(COMMAND)->a, 1);
    EXPECT_EQ(asked, (std::vector<std::string>{PathOf("a.mp3"), PathOf("b.mp3")}));

    // One file: preview is offered again; a right click on a row opens the menu there.
    Select(files, {"c.mp3"});
    RECT row;
    CListView(files).ItemRect(Find(files, "c.mp3"), row);
    seen = Menu([&] { RightClick(files, {row.left + 4, (row.top + row.bottom) / 2}); }, {VK_DOWN, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(seen.shown);
    EXPECT_FALSE(seen.Greyed(1));
    EXPECT_EQ(sink.Last(COMMAND)->a, 2);
    EXPECT_EQ(asked, std::vector<std::string>{PathOf("c.mp3")});
    // Below the last row there is no item: no menu.
    const int commands = sink.Count(COMMAND);
    RECT client;
    GetClientRect(files, &client);
    EXPECT_FALSE(Menu([&] { RightClick(files, {client.right / 2, client.bottom - 4}); }, {VK_ESCAPE}).shown);

    // ShowContextMenu off silences the grouped views only; group rows alone never get a menu.
    Put(ctrl, L"ShowContextMenu", VBool(false));
    Select(files, {"c.mp3"}); // the click on empty space cleared the selection
    EXPECT_TRUE(Menu([&] { ShiftF10(files); }, {VK_ESCAPE}).shown);
    EXPECT_TRUE(Menu([&] { Key(files, VK_APPS); }, {VK_ESCAPE}).shown); // the context-menu key
    SetView(1040);
    HWND grouped = Shown();
    Click(grouped, Find(grouped, "Other"));
    Select(grouped, {"c.mp3"});
    EXPECT_FALSE(Menu([&] { ShiftF10(grouped); }, {VK_ESCAPE}).shown);
    Put(ctrl, L"ShowContextMenu", VBool(true));
    EXPECT_TRUE(Menu([&] { ShiftF10(grouped); }, {VK_ESCAPE}).shown);
    Select(grouped, {"Other", "Band"});
    EXPECT_FALSE(Menu([&] { ShiftF10(grouped); }, {VK_ESCAPE}).shown);
    EXPECT_EQ(sink.Count(COMMAND), commands);
}
