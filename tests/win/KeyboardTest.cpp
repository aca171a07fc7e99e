// The keyboard through a container as hosts run it: every key goes first to
// the control's TranslateAccelerator, then to the dialog manager of the host's
// window, which has a button before the control and one after it. And the
// host's words where the user sees them.
#include "HostedControl.h"
#include "MenuWatch.h"
#include <gtest/gtest.h>

namespace {

const UINT kViewButton = 32768;

class Keyboard : public Views {
protected:
    void SetUp() override
    {
        Views::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The dialog manager walks into the container and the control (both control parents).
        SetWindowLongA(ax, GWL_EXSTYLE, GetWindowLongA(ax, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        before = CreateWindowExA(0, "BUTTON", "Before", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 300, 80, 18, frame,
                                 nullptr, nullptr, nullptr);
        after = CreateWindowExA(0, "BUTTON", "After", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 100, 300, 80, 18, frame,
                                nullptr, nullptr, nullptr);
        SetWindowPos(before, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(after, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        control = GetParent(Shown());
        toolbar = FindWindowExA(control, nullptr, TOOLBARCLASSNAMEA, nullptr);
        active = As<IOleInPlaceActiveObject>(ctrl, IID_IOleInPlaceActiveObject);
        ASSERT_NE(active, nullptr);
    }
    void TearDown() override
    {
        if (hostKeys)
            DestroyAcceleratorTable(hostKeys);
        Drop(active);
        Views::TearDown();
    }

    // A key typed with these keys held: down and up, each to the control first
    // and then to the host's dialog manager. True when the control kept the key-down.
    bool Type(WPARAM vk, std::vector<int> held = {})
    {
        bool alt = false;
        for (int k : held) {
            HoldKey(k, true);
            alt = alt || k == VK_MENU;
        }
        const LPARAM altBit = alt ? 0x20000000 : 0;
        MSG down = {GetFocus(), UINT(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), vk, 1 | altBit, 0, {}};
        MSG up = {nullptr, UINT(alt ? WM_SYSKEYUP : WM_KEYUP), vk, LPARAM(0xC0000001) | altBit, 0, {}};
        bool kept = false;
        for (MSG* m : {&down, &up}) {
            m->hwnd = GetFocus();
            HRESULT hr = active->TranslateAccelerator(m);
            if (m == &down)
                kept = hr == S_OK;
            if (hr != S_OK && !(hostKeys && TranslateAcceleratorA(frame, hostKeys, m) && ++hostKeysFired) &&
                !IsDialogMessageA(frame, m)) {
                TranslateMessage(m);
                DispatchMessageA(m);
            }
        }
        for (int k : held)
            HoldKey(k, false);
        return kept;
    }
    void Do(const wchar_t* method, std::vector<VARIANT> args = {})
    {
        EXPECT_EQ(Method(ctrl, method, args).hr, S_OK) << Narrow(method);
    }
    static std::string ButtonText(HWND toolbar, UINT command)
    {
        char text[128] = {};
        SendMessageA(toolbar, TB_GETBUTTONTEXTA, command, LPARAM(text));
        return text;
    }
    // The accelerator table the control gives its container: (flags, key) pairs.
    std::vector<std::pair<int, int>> Accelerators()
    {
        IOleControl* oc = As<IOleControl>(ctrl, IID_IOleControl);
        CONTROLINFO info = {};
        info.cb = sizeof info;
        EXPECT_EQ(oc->GetControlInfo(&info), S_OK);
        oc->Release();
        std::vector<std::pair<int, int>> entries;
        ACCEL table[8];
        int n = info.hAccel ? CopyAcceleratorTableA(info.hAccel, table, 8) : 0;
        EXPECT_EQ(n, int(info.cAccel));
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(table[i].cmd, 1);
            entries.emplace_back(table[i].fVirt, table[i].key);
        }
        return entries;
    }

    HWND before = nullptr, after = nullptr, control = nullptr, toolbar = nullptr;
    IOleInPlaceActiveObject* active = nullptr;
    HACCEL hostKeys = nullptr; // the host's own accelerators, tried after the control declines a key
    int hostKeysFired = 0;
};

} // namespace

TEST_F(Keyboard, TabGoesToolbarListAndOnAndTheControlKeepsItsOwnKeys)
{
    SearchLibrary();
    HWND files = Shown();
    ASSERT_NE(toolbar, nullptr);
    SetFocus(before);
    EXPECT_FALSE(Type(VK_TAB));
    EXPECT_EQ(GetFocus(), toolbar);
    EXPECT_TRUE(Type(VK_TAB));
    EXPECT_EQ(GetFocus(), files);
    EXPECT_FALSE(Type(VK_TAB));
    EXPECT_EQ(GetFocus(), after);
    EXPECT_FALSE(Type(VK_TAB, {VK_SHIFT}));
    EXPECT_EQ(GetFocus(), files);
    EXPECT_TRUE(Type(VK_TAB, {VK_SHIFT}));
    EXPECT_EQ(GetFocus(), toolbar);
    EXPECT_FALSE(Type(VK_TAB, {VK_SHIFT}));
    EXPECT_EQ(GetFocus(), before);

    // In the list: arrows move its focus mark, Escape and Alt+Tab never reach the host.
    SetFocus(files);
    auto focused = [&] { return CListView(files).NextItem(-1, LVNI_FOCUSED); };
    ASSERT_EQ(focused(), 0);
    EXPECT_TRUE(Type(VK_DOWN));
    EXPECT_EQ(focused(), 1);
    EXPECT_TRUE(Type(VK_ESCAPE));
    EXPECT_TRUE(Type(VK_TAB, {VK_MENU}));
    EXPECT_EQ(GetFocus(), files);
    // Keys meant for the host's own controls pass the control untouched.
    SetFocus(after);
    EXPECT_FALSE(Type(VK_ESCAPE));

    // With the toolbar hidden the list is the control's only stop.
    Put(ctrl, L"Style", VLong(1));
    SetFocus(before);
    EXPECT_FALSE(Type(VK_TAB));
    EXPECT_EQ(GetFocus(), files);
    EXPECT_FALSE(Type(VK_TAB));
    EXPECT_EQ(GetFocus(), after);
}

// Alt with Return, an arrow, a paging key or Escape is the host's: its own
// accelerator fires with the focus in the list. Of the system keys the control
// keeps Alt+Tab alone.
TEST_F(Keyboard, AltKeysReachTheHostsAcceleratorsButAltTab)
{
    SearchLibrary();
    HWND files = Shown();
    for (WPARAM vk : {VK_RETURN, VK_DOWN, VK_HOME, VK_NEXT, VK_ESCAPE, VK_TAB}) {
        ACCEL entry = {FALT | FVIRTKEY, WORD(vk), 7};
        if (hostKeys)
            DestroyAcceleratorTable(hostKeys);
        hostKeys = CreateAcceleratorTableA(&entry, 1);
        hostKeysFired = 0;
        SetFocus(files);
        EXPECT_EQ(Type(vk, {VK_MENU}), vk == VK_TAB) << vk;
        EXPECT_EQ(hostKeysFired, vk == VK_TAB ? 0 : 1) << vk;
        EXPECT_EQ(GetFocus(), files) << vk;
    }
}

TEST_F(Keyboard, HotKeysFollowTheButtonTextsOnceTheHostTurnsThemOn)
{
    Do(L"SetToolbarString", {VShort(1), VStr(L"&View")});
    Do(L"SetToolbarString", {VShort(2), VStr(L"&scan")});
    Call none = Put(ctrl, L"StrNoFileFound", VStr(L"none"));
    AddSearch(L"T:\\tree", {L"*.mp3"}); // an empty folder: the search finds nothing
    EXPECT_TRUE(Accelerators().empty());
    SetFocus(Shown());
    Type('V', {VK_MENU});
    EXPECT_EQ(sink.Count(DISABLED), 0); // off until EnableHotKeyForVB

    Do(L"EnableHotKeyForVB");
    const int altKey = FALT | FVIRTKEY;
    EXPECT_EQ(Accelerators(), (std::vector<std::pair<int, int>>{{altKey, 'V'}, {altKey, 'S'}}));
    Type('V', {VK_MENU}); // nothing to view yet: the host hears of it
    EXPECT_EQ(sink.Count(DISABLED), 1);
    // From outside the control the container hands the key over as a mnemonic.
    SetFocus(after);
    MSG altS = {after, WM_SYSKEYDOWN, 'S', 0x20000001, 0, {}};
    IOleControl* oc = As<IOleControl>(ctrl, IID_IOleControl);
    HoldKey(VK_MENU, true);
    EXPECT_EQ(oc->OnMnemonic(&altS), S_OK);
    HoldKey(VK_MENU, false);
    oc->Release();
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(END) == 1; }));
    EXPECT_EQ(sink.Count(START), 1);

    // Nothing found: the View button is disabled, and its shortcut with it. With
    // two buttons on one letter the first decides, so the Scan button does not run.
    EXPECT_FALSE(SendMessageA(toolbar, TB_GETSTATE, kViewButton, 0) & TBSTATE_ENABLED);
    Do(L"SetToolbarString", {VShort(2), VStr(L"&Vanish")});
    SetFocus(Shown());
    Type('V', {VK_MENU});
    EXPECT_EQ(sink.Count(DISABLED), 1);
    EXPECT_EQ(sink.Count(START), 1);
    // A "&" at the end gives a key that never matches.
    Do(L"SetToolbarString", {VShort(2), VStr(L"Scan&")});
    EXPECT_EQ(Accelerators(), (std::vector<std::pair<int, int>>{{altKey, 'V'}, {altKey, 0}}));
    // A text without "&" gives no entry; a text of any length gives its key.
    Do(L"SetToolbarString", {VShort(1), VStr(L"View")});
    Do(L"SetToolbarString", {VShort(2), VStr((std::wstring(300, L'.') + L"&Long").c_str())});
    EXPECT_EQ(Accelerators(), (std::vector<std::pair<int, int>>{{altKey, 'L'}}));
    // While the Scan button is disabled its key starts nothing: the nothing-found
    // row, which a search takes away as it starts, stays.
    const UINT scanButton = 32775;
    SendMessageA(toolbar, TB_ENABLEBUTTON, scanButton, FALSE);
    Type('L', {VK_MENU});
    EXPECT_EQ(Rows(Shown()), std::vector<std::string>{"none"});
    SendMessageA(toolbar, TB_ENABLEBUTTON, scanButton, TRUE);
    Type('L', {VK_MENU});
    EXPECT_TRUE(Rows(Shown()).empty());
    EXPECT_TRUE(PumpUntil([&] { return sink.Count(END) == 2; }));
}

TEST_F(Keyboard, TheHostsWordsAreWhereTheUserSeesThem)
{
    // Every kind of text the host sets before the container places the control
    // is kept and shown once the windows exist: toolbar, view menu, context
    // menu and unknown-group names.
    IDispatch* made = NewControl();
    ASSERT_NE(made, nullptr);
    Method(made, L"SetToolbarString", {VShort(2), VStr(L"&Find")});
    Method(made, L"SetViewString", {VShort(5), VStr(L"Everything")});
    Method(made, L"SetContextMenuString", {VShort(2), VStr(L"Listen")});
    Method(made, L"SetUnknString", {VShort(1), VStr(L"Nobody")});
    Put(made, L"Style", VLong(2));
    CHosted early;
    ASSERT_TRUE(early.Open(frame, 200, made));
    HWND earlyFiles = FindShownList(early.ax), earlyControl = GetParent(earlyFiles);
    HWND earlyToolbar = FindWindowExA(earlyControl, nullptr, TOOLBARCLASSNAMEA, nullptr);
    EXPECT_EQ(ButtonText(earlyToolbar, 32775), "&Find");
    EXPECT_EQ(ButtonText(earlyToolbar, kViewButton), "~~~VIEW");
    SearchLibrary(); // the files, and this control's own search of them
    Method(made, L"AddSearch", {VStr(L"T:\\tree"), VStrings({L"*.mp3", L"*.wav"}), VShort(2)});
    Method(made, L"BeginSearch");
    ASSERT_TRUE(PumpUntil([&] { return early.sink.Count(END) == 1; }));
    MenuSeen views = Menu([&] { SendMessageA(earlyControl, WM_COMMAND, MAKEWPARAM(kViewButton, BN_CLICKED), 0); },
                          {VK_ESCAPE});
    EXPECT_EQ(views.texts, (std::vector<std::string>{"Everything", "~~~Artist", "~~~Album"}));
    Select(earlyFiles, {"a.mp3"});
    SetFocus(earlyFiles);
    MenuSeen commands = Menu([&] { SendMessageA(earlyFiles, WM_CONTEXTMENU, WPARAM(earlyFiles), MAKELPARAM(-1, -1)); }, {VK_ESCAPE});
    EXPECT_EQ(commands.texts, (std::vector<std::string>{"~~~AddTrack", "Listen"}));
    Put(made, L"View", VLong(1040));
    EXPECT_EQ(Rows(FindShownList(early.ax)), (std::vector<std::string>{"Nobody", "Band", "Other"}));

    // Afterwards: selectors outside the range change nothing; the view menu's mark moves to the current view.
    Do(L"SetToolbarString", {VShort(1), VStr(L"View")});
    Do(L"SetToolbarString", {VShort(3), VStr(L"Nothing")});
    EXPECT_EQ(ButtonText(toolbar, kViewButton), "View");
    EXPECT_EQ(ButtonText(toolbar, 32775), "~~~SCAN");
    SetView(1041);
    for (SHORT selector : {0, 4, 6})
        Do(L"SetViewString", {VShort(selector), VStr(L"Wrong")});
    Do(L"SetViewString", {VShort(5), VStr(L"All files")});
    Do(L"SetViewString", {VShort(2), VStr(L"Albums")});
    MenuSeen menu = Menu([&] { SendMessageA(control, WM_COMMAND, MAKEWPARAM(kViewButton, BN_CLICKED), 0); },
                         {VK_ESCAPE});
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.texts, (std::vector<std::string>{"All files", "~~~Artist", "Albums"}));
    EXPECT_TRUE(menu.Checked(2));
}

TEST_F(Keyboard, TheGenreEntryComesBackUnderTheGenreViewsOwnName)
{
    // The view names start empty: the genre entry, gone while no genre names
    // file is set, comes back with the name last given to the genre view, or
    // none. Only the menu's first entries start as placeholders.
    SearchLibrary();
    Write("T:\\tree\\genres.ini", "[English]\r\n1=Blues\r\n");
    auto viewMenu = [&] {
        MenuSeen seen = Menu([&] { SendMessageA(control, WM_COMMAND, MAKEWPARAM(kViewButton, BN_CLICKED), 0); },
                             {VK_ESCAPE});
        EXPECT_TRUE(seen.shown);
        return seen;
    };
    EXPECT_EQ(viewMenu().texts, (std::vector<std::string>{"~~~All Files", "~~~Artist", "~~~Album"}));
    Do(L"SetViewString", {VShort(2), VStr(L"Albums")});
    Do(L"SetViewString", {VShort(4), VStr(L"Folders")}); // no view of that kind: changes nothing
    Put(ctrl, L"GenreIniFilePath", VStr(L"T:\\tree\\genres.ini"));
    MenuSeen back = viewMenu();
    EXPECT_EQ(back.texts, (std::vector<std::string>{"~~~All Files", "~~~Artist", "Albums", ""}));
    ASSERT_EQ(back.states.size(), 4u);
    EXPECT_FALSE(back.states[3] & MF_SEPARATOR); // an entry without text, still an entry

    // A name given while the entry is away is the one it comes back with.
    Put(ctrl, L"GenreIniFilePath", VStr(L"T:\\tree\\missing.ini"));
    EXPECT_EQ(viewMenu().texts.size(), 3u);
    Do(L"SetViewString", {VShort(3), VStr(L"Genres")});
    Put(ctrl, L"GenreIniFilePath", VStr(L"T:\\tree\\genres.ini"));
    EXPECT_EQ(viewMenu().texts, (std::vector<std::string>{"~~~All Files", "~~~Artist", "Albums", "Genres"}));
}
