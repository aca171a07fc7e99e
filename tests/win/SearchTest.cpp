// Searches end to end: the control hosted in Wine's ATL container window,
// real folder trees on drive T: (a folder of the build tree), events answered
// by a sink as a host would.
#include "HostedControl.h"

TEST_F(Search, EventsAndCountsOfATree)
{
    HWND hwnd = nullptr; // the container made the control by ProgID and activated it in place
    IOleWindow* window = As<IOleWindow>(ctrl, IID_IOleWindow);
    EXPECT_EQ(window->GetWindow(&hwnd), S_OK);
    window->Release();
    EXPECT_EQ(GetParent(hwnd), ax);
    CreateDirectoryA("T:\\tree\\sub", nullptr);
    CreateDirectoryA("T:\\tree\\.hidden", nullptr); // a dot folder is hidden here
    Write("T:\\tree\\a.mp3", Mp3WithTag("A", "Band", "Album", 0));
    Write("T:\\tree\\b.MP3", std::string(200, '\x11'));
    Write("T:\\tree\\c.wav", "RIFF....WAVE");
    Write("T:\\tree\\declined.mp3", "x");
    Write("T:\\tree\\x.ogg", "OggS");
    Write("T:\\tree\\notes.txt", "text");
    Write("T:\\tree\\sub\\d.mp3", Mp3WithTag("D", "Band", "", 0));
    Write("T:\\tree\\.hidden\\h.mp3", "x");
    Patterns(L"HideItems", {L"*.OGG"}); // catalogued, but not counted as found
    AddSearch(L"T:\\tree", {L"*.mp3", L"*.wav", L"*.ogg"});
    sink.accept = [](const std::string& p) { return p.find("declined") == std::string::npos; };

    ASSERT_TRUE(RunSearch());
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events.front().id, START);
    std::vector<std::string> offered = sink.Offered();
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, (std::vector<std::string>{"T:tree\\a.mp3", "T:tree\\b.MP3", "T:tree\\c.wav",
                                                 "T:tree\\declined.mp3", "T:tree\\sub\\d.mp3", "T:tree\\x.ogg"}));
    const Event* last = sink.Last(PROGRESS);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->a, 100);
    EXPECT_EQ(last->b, 4); // a, b, c, d: not the declined file, not the hidden extension
    EXPECT_EQ(last->c, 0);
    EXPECT_EQ(sink.events.back().id, END);
    EXPECT_EQ(sink.events.back().a, 1); // tagged MP3 files
    EXPECT_EQ(sink.events.back().b, 3); // MP3 files
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{1, 3, 5}));

    // A second search offers nothing already catalogued, but still counts it.
    sink.events.clear();
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(sink.Offered(), std::vector<std::string>{"T:tree\\declined.mp3"});
    ASSERT_NE(sink.Last(PROGRESS), nullptr);
    EXPECT_EQ(sink.Last(PROGRESS)->b, 4);
}

TEST_F(Search, AbortEndsOnlyTheDriveInProgress)
{
    // Two drives: T: with many files, U: with one. Progress needs a drive's used space.
    if (GetFileAttributesA("U:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "drive U: is not mapped to a test folder";
    for (int i = 0; i < 40; ++i)
        Write("T:\\tree\\f" + std::to_string(i) + ".mp3", "x");
    Write("U:\\last.mp3", "x");
    AddSearch(L"T", {L"*.mp3"});
    AddSearch(L"U", {L"*.mp3"});
    bool aborted = false;
    sink.abortOn = [&](const Event& e) {
        if (aborted || e.a == 100)
            return false;
        aborted = true;
        return true;
    };
    ASSERT_TRUE(RunSearch());
    std::vector<std::string> offered = sink.Offered();
    DeleteFileA("U:\\last.mp3");
    EXPECT_TRUE(aborted);
    EXPECT_LT(offered.size(), 41u);
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.back(), "U:\\last.mp3"); // the next drive is still scanned
    EXPECT_EQ(sink.events.back().id, END);
}

TEST_F(Search, StopSearchEndsTheScanAndKeepsWhatWasAdded)
{
    for (int i = 0; i < 60; ++i)
        Write("T:\\tree\\f" + std::to_string(i) + ".mp3", "x");
    AddSearch(L"T:\\tree", {L"*.mp3"});
    sink.onAdding = [&](const std::string&) {
        if (sink.Count(ADDING) == 4) { // while the fifth file is offered
            Method(ctrl, L"StopSearch");
        }
    };
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(sink.Count(ADDING), 5); // nothing is offered after the stop
    EXPECT_EQ(MusicCounts(ctrl)[2], 5); // the host accepted the fifth before the stop took hold
}

TEST_F(Search, FileGoneBeforeItIsAddedStillCounts)
{
    Write("T:\\tree\\gone.mp3", "x");
    Write("T:\\tree\\kept.mp3", "x");
    AddSearch(L"T:\\tree", {L"*.mp3"});
    sink.onAdding = [](const std::string& path) {
        if (path.find("gone") != std::string::npos)
            DeleteFileA(path.c_str());
    };
    ASSERT_TRUE(RunSearch());
    ASSERT_NE(sink.Last(PROGRESS), nullptr);
    EXPECT_EQ(sink.Last(PROGRESS)->b, 2);
    EXPECT_EQ(sink.events.back().b, 1); // one MP3 in the catalogue
}

TEST_F(Search, DestroyingTheWindowMidScanWaitsThenWritesTheCache)
{
    for (int i = 0; i < 30; ++i)
        Write("T:\\tree\\f" + std::to_string(i) + ".mp3", "x");
    AddSearch(L"T:\\tree", {L"*.mp3"});
    Call cache = Put(ctrl, L"CacheFile", VStr(L"T:\\cache.snd"));
    DeleteFileA("T:\\cache.snd");
    sink.onAdding = [&](const std::string&) {
        if (sink.Count(ADDING) == 3 && frame) {
            DestroyWindow(frame); // the control window goes with its container
            frame = nullptr;
        }
    };
    Method(ctrl, L"BeginSearch");
    Pump(1500);
    EXPECT_LE(sink.Count(ADDING), 4);
    HANDLE h = CreateFileA("T:\\cache.snd", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char magic[4] = {};
    DWORD n = 0;
    ReadFile(h, magic, 4, &n, nullptr);
    CloseHandle(h);
    EXPECT_EQ(std::string(magic, 4), "SNDF");
    DeleteFileA("T:\\cache.snd");
}

// --- The result lists, read back with list-view messages


TEST_F(Views, FilesGetRowsAsTheyAreAcceptedWithTheirColumns)
{
    Put(ctrl, L"ColNameHeader", VStr(L"Name"));
    SearchLibrary();
    HWND files = Shown();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(GetDlgCtrlID(files), 321);
    std::vector<std::string> rows = Rows(files);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.wav"}));
    EXPECT_EQ(Cell(files, 0, 1), "3:00");
    EXPECT_EQ(Cell(files, 0, 3).substr(0, 7), "T:tree\\");
    EXPECT_EQ(CListView(files).ColumnText(0), "Name");

    // A double-click on a file row reaches the host with its path; Return too.
    Click(files, 0, WM_LBUTTONDBLCLK);
    ASSERT_NE(sink.Last(DBLCLICK), nullptr);
    EXPECT_EQ(sink.Last(DBLCLICK)->path, Cell(files, 0, 3));
    Click(files, 1);
    ASSERT_NE(sink.Last(SELECTED), nullptr);
    EXPECT_EQ(sink.Last(SELECTED)->a, 1); // one file row
    EXPECT_EQ(sink.Last(SELECTED)->b, 1); // one item
    size_t clicks = size_t(sink.Count(DBLCLICK));
    Key(files, VK_RETURN);
    EXPECT_EQ(size_t(sink.Count(DBLCLICK)), clicks + 1);
    EXPECT_EQ(sink.Last(DBLCLICK)->path, Cell(files, 1, 3));
}

TEST_F(Views, GroupsOpenAndCloseByMouseAndKeys)
{
    Method(ctrl, L"SetUnknString", {VShort(1), VStr(L"No artist")});
    SearchLibrary();
    SetView(1040);
    HWND grouped = Shown();
    ASSERT_NE(grouped, nullptr);
    EXPECT_NE(GetDlgCtrlID(grouped), 321);
    EXPECT_EQ(Rows(grouped), (std::vector<std::string>{"No artist", "Band", "Other"}));
    EXPECT_EQ(Cell(grouped, 1, 1), " ");

    Click(grouped, 1); // Band and band are one group
    EXPECT_EQ(Rows(grouped), (std::vector<std::string>{"No artist", "Band", "  a.mp3", "  b.mp3", "Other"}));
    EXPECT_EQ(Cell(grouped, 2, 1), "3:00");
    Click(grouped, 1);
    EXPECT_EQ(Rows(grouped), (std::vector<std::string>{"No artist", "Band", "Other"}));

    Key(grouped, VK_RIGHT); // the clicked row is selected
    EXPECT_EQ(Rows(grouped).size(), 5u);
    Key(grouped, VK_LEFT);
    EXPECT_EQ(Rows(grouped).size(), 3u);
    Click(grouped, 0);
    EXPECT_EQ(Rows(grouped), (std::vector<std::string>{"No artist", "  d.mp3", "  e.wav", "Band", "Other"}));
    size_t clicks = size_t(sink.Count(DBLCLICK));
    Click(grouped, 3, WM_LBUTTONDBLCLK); // a group row is no file
    EXPECT_EQ(size_t(sink.Count(DBLCLICK)), clicks);
}

TEST_F(Views, SwitchingViewsKeepsOpenGroupsAndTheEndOfASearchClosesThem)
{
    SearchLibrary();
    SetView(1040);
    HWND grouped = Shown();
    Click(grouped, 2); // Other
    const std::vector<std::string> artists = {"~~~Artist Unknown", "Band", "Other", "  c.mp3"};
    EXPECT_EQ(Rows(grouped), artists);
    SetView(1041);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Album Unknown", "First", "Second"}));
    Click(Shown(), 1);
    SetView(1039);
    EXPECT_EQ(Rows(Shown()).size(), 5u);
    SetView(1040);
    EXPECT_EQ(Rows(Shown()), artists);
    SetView(1041);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Album Unknown", "First", "  a.mp3", "  b.mp3", "Second"}));
    SetView(1040);
    SetView(9999); // no such view: nothing changes
    EXPECT_EQ(Rows(Shown()), artists);

    Write("T:\\tree\\f.mp3", Mp3WithTag("F", "Other", "Second", 0));
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Artist Unknown", "Band", "Other"}));
    Click(Shown(), 2);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Artist Unknown", "Band", "Other", "  c.mp3", "  f.mp3"}));
}

// Back from the file view the grouped rows were never taken from the list;
// back from another grouped view they come from its cache. Both look the same.
TEST_F(Views, AGroupedViewShownAgainLooksListedAnewWhicheverWayItCameBack)
{
    SearchLibrary();
    SetView(1040);
    HWND grouped = Shown();
    Click(grouped, 2); // Other opens
    const std::vector<std::string> artists = Rows(grouped);
    for (long via : {1039L, 1041L, 1039L}) {
        Click(grouped, Find(grouped, "c.mp3"));
        ASSERT_EQ(sink.Last(SELECTED)->a, 1);
        SetView(via);
        SetView(1040);
        EXPECT_EQ(Rows(grouped), artists) << via;
        EXPECT_EQ(CListView(grouped).NextItem(-1, LVNI_SELECTED), -1) << via;
        // The first row is marked as the focus arrives, which only the file view took away.
        EXPECT_EQ(CListView(grouped).NextItem(-1, LVNI_FOCUSED), via == 1039 ? 0 : -1) << via;
        EXPECT_EQ(sink.Last(SELECTED)->a, 0) << via;
        EXPECT_EQ(sink.Last(SELECTED)->b, 0) << via;
        EXPECT_EQ(Cell(grouped, 3, 1), "3:00") << via;
    }
}

TEST_F(Views, TheFilterHidesRecordsFromTheGroupedViewsOnly)
{
    SearchLibrary();
    SetView(1040);
    Patterns(L"HideItems", {L"*.wav"});
    Click(Shown(), 0);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Artist Unknown", "  d.mp3", "Band", "Other"}));
    Method(ctrl, L"SetHideAudioLength", {VLong(181)}); // every file is 3:00
    EXPECT_TRUE(Rows(Shown()).empty());
    SetView(1039); // an emptied grouped view is no trap: the file list kept every row
    EXPECT_EQ(Rows(Shown()).size(), 5u);
    SetView(1040);
    EXPECT_TRUE(Rows(Shown()).empty());
    Method(ctrl, L"SetHideAudioLength", {VLong(180)});
    EXPECT_EQ(Rows(Shown()).size(), 3u);
}

TEST_F(Views, ASearchThatFindsNothingLeavesTheNothingFoundRow)
{
    Put(ctrl, L"StrNoFileFound", VStr(L"Nothing here"));
    Method(ctrl, L"BeginSearch"); // no requests: nothing happens
    Pump(200);
    EXPECT_TRUE(sink.events.empty());

    Write("T:\\tree\\a.txt", "x");
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].id, START);
    EXPECT_EQ(sink.events[1].id, PROGRESS);
    EXPECT_EQ(sink.events[1].a, 100);
    EXPECT_EQ(sink.events[1].b, 0);
    EXPECT_EQ(sink.events[2].id, END);
    EXPECT_EQ(Rows(Shown()), std::vector<std::string>{"Nothing here"});
    SetView(1040); // not enabled
    EXPECT_EQ(Rows(Shown()), std::vector<std::string>{"Nothing here"});
    // The next search takes the row away before it starts.
    Write("T:\\tree\\a.mp3", "x");
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(Rows(Shown()), std::vector<std::string>{"a.mp3"});
}

TEST_F(Views, TheFileListOnlyStyleBuildsNoGroups)
{
    SearchLibrary();
    SetView(1040);
    ASSERT_EQ(Rows(Shown()).size(), 3u);
    Call style = Put(ctrl, L"Style", VLong(1)); // leaves the grouped view for the file list
    EXPECT_EQ(Rows(Shown()).size(), 5u);
    EXPECT_EQ(Get(ctrl, L"View").Long(), 1039);
    SetView(1041); // shown, but no rows are built in this style
    EXPECT_NE(GetDlgCtrlID(Shown()), 321);
    EXPECT_TRUE(Rows(Shown()).empty());
}

// The tip shows over the list the user sees, with the host's text, until HideHelp.
TEST_F(Views, TheHelpTipShowsOverTheListUntilHideHelp)
{
    HWND control = GetParent(Shown());
    HWND tip = FindWindowExA(control, nullptr, "TarnwickTip", nullptr);
    ASSERT_NE(tip, nullptr);
    RECT r = {};
    GetWindowRect(tip, &r);
    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(control, &centre);
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(ChildWindowFromPointEx(control, centre, CWP_SKIPINVISIBLE), tip); // above the lists
    Call tipText = Put(ctrl, L"TipText", VStr(L"Press Scan"));
    EXPECT_EQ(TextOf(tip), "Press Scan");
    Method(ctrl, L"HideHelp");
    EXPECT_EQ(FindWindowExA(control, nullptr, "TarnwickTip", nullptr), nullptr);
    Method(ctrl, L"HideHelp"); // once gone, nothing more happens
    tipText = Put(ctrl, L"TipText", VStr(L"ignored"));
    EXPECT_EQ(tipText.hr, S_OK);
}

TEST_F(Views, TheViewButtonOffersTheViewsOrTellsTheHostThereIsNothing)
{
    HWND control = GetParent(Shown());
    SendMessageA(control, WM_COMMAND, MAKEWPARAM(32768, BN_CLICKED), 0); // View, with nothing found
    EXPECT_EQ(sink.Count(DISABLED), 1);

    SearchLibrary();
    // Choose the second entry (the artist view) with the keyboard while the menu is open.
    EXPECT_EQ(ChooseView({VK_DOWN, VK_DOWN, VK_RETURN}), 1040);
    EXPECT_EQ(sink.Count(DISABLED), 1);
    EXPECT_EQ(Rows(Shown()).size(), 3u);
    EXPECT_EQ(ChooseView({VK_ESCAPE}), 1040); // Escape dismisses the menu: the view stays
}

TEST_F(Views, GenreEntryFollowsTheGenreNamesFileAndColumnWidthsStayInStep)
{
    SearchLibrary();
    Write("T:\\tree\\genres.ini", "[English]\r\n1=Blues\r\n");
    HWND control = GetParent(Shown());
    const std::vector<WPARAM> fourDown = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    EXPECT_EQ(ChooseView(fourDown), 1039); // three entries: the fourth press wraps round to the first
    Put(ctrl, L"GenreIniFilePath", VStr(L"T:\\tree\\genres.ini"));
    EXPECT_EQ(ChooseView(fourDown), 1042); // the genre entry is back, last
    Put(ctrl, L"GenreIniFilePath", VStr(L"T:\\tree\\missing.ini"));
    EXPECT_EQ(ChooseView(fourDown), 1039);

    // A divider dragged in the file list: the grouped list's column follows.
    SetView(1039);
    HWND files = Shown();
    HWND grouped = FindWindowExA(control, nullptr, "SysListView32", nullptr);
    if (grouped == files)
        grouped = FindWindowExA(control, files, "SysListView32", nullptr);
    CListView(files).SetColumnWidth(0, 120);
    NMHEADERA drag = {};
    drag.hdr.hwndFrom = CListView(files).Header();
    drag.hdr.code = HDN_ENDTRACKA;
    drag.iItem = 0;
    SendMessageA(files, WM_NOTIFY, 0, LPARAM(&drag));
    EXPECT_EQ(CListView(grouped).ColumnWidth(0), 120);
    Put(ctrl, L"ColTimeWidth", VLong(77));
    EXPECT_EQ(CListView(files).ColumnWidth(1), 77);
    EXPECT_EQ(CListView(grouped).ColumnWidth(1), 77);
}

// Rows change hands between the lists and the views' caches; whatever the
// order of operations, none may be freed twice or left behind a dead item.
TEST_F(Views, RowsSurviveRandomUseOfTheViews)
{
    SearchLibrary();
    Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")});
    unsigned seed = 12345;
    auto next = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 300; ++step) {
        HWND list = Shown();
        int count = CListView(list).ItemCount();
        switch (next(9)) {
        case 0: case 1: SetView(1039 + long(next(4))); break;
        case 2: case 3:
            if (count > 0)
                Click(list, int(next(unsigned(count))));
            break;
        case 4:
            if (count > 0) {
                Click(list, int(next(unsigned(count))));
                Key(list, next(2) ? VK_LEFT : VK_RIGHT);
            }
            break;
        case 5: Patterns(L"HideItems", {next(2) ? L"*.wav" : L"*.ogg"}); break;
        case 6: {
            Method(ctrl, L"SetHideAudioLength", {VLong(next(2) ? 0 : 500)});
            break;
        }
        case 7: {
            Method(ctrl, L"LoadFile", {VStr(L"T:\\tree\\cache.snd")});
            break;
        }
        default:
            if (step % 50 == 0) {
                ASSERT_TRUE(RunSearch());
            }
            break;
        }
        // Every item still stands on a row of its own: no row is listed twice
        // (a file once in the file list by its path, once in its group by its
        // name).
        list = Shown();
        count = CListView(list).ItemCount();
        std::set<std::string> rows;
        std::string group;
        for (int i = 0; i < count; ++i) {
            std::string name = CListView(list).ItemText(i, 0);
            const bool top = CListView(list).Indent(i) == 0;
            if (top)
                group = name;
            const bool fileList = CListView(list).ColumnCount() == 4;
            std::string key = fileList ? CListView(list).ItemText(i, 3) + name : top ? name : group + "\\" + name;
            ASSERT_TRUE(rows.insert(key).second) << "a row behind two items at step " << step;
        }
    }
    EXPECT_TRUE(HeapsAreSound());
}

TEST_F(Views, ListKeysPassTheHostAndFocusMarksTheFirstRow)
{
    SearchLibrary();
    HWND files = Shown();
    SetFocus(files);
    EXPECT_EQ(CListView(files).NextItem(-1, LVNI_FOCUSED), 0); // focused...
    EXPECT_EQ(CListView(files).NextItem(-1, LVNI_SELECTED), -1); // ...not selected

    Click(files, 2);
    IOleInPlaceActiveObject* active = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active)), S_OK);
    MSG enter = {files, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    size_t clicks = size_t(sink.Count(DBLCLICK));
    EXPECT_EQ(active->TranslateAccelerator(&enter), S_OK); // handled: the host never sees it
    EXPECT_EQ(size_t(sink.Count(DBLCLICK)), clicks + 1);
    MSG tab = {files, WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    EXPECT_EQ(active->TranslateAccelerator(&tab), S_FALSE); // Tab stays the host's
    active->Release();
}
