// The catalogue following the disk with WatchFolders on: files that come, go,
// change and move under the roots, as the user sees them in both lists, and
// hosts that call back from inside the events a change raises.
#include "HostedControl.h"
#include <commctrl.h>

namespace {

const LONG kViewFiles = 1039, kViewArtist = 1040;

class Watch : public Views {
protected:
    void TearDown() override
    {
        RemoveTestFolder("T:\\outside");
        Views::TearDown();
    }
    void StartWatching(IDispatch* d = nullptr) { ASSERT_EQ(Put(d ? d : ctrl, L"WatchFolders", VBool(true)).hr, S_OK); }
    // The batches' counts added up: added, removed, changed.
    static std::vector<LONG> Totals(const CHostSink& s)
    {
        std::vector<LONG> t(3, 0);
        for (const Event& e : s.events)
            if (e.id == CHANGED)
                t[0] += e.a, t[1] += e.b, t[2] += e.c;
        return t;
    }
    // Answers messages until the batches have done this much (each at least).
    bool WaitTotals(LONG added, LONG removed, LONG changed, DWORD ms = 20000, const CHostSink* s = nullptr)
    {
        const CHostSink& of = s ? *s : sink;
        return PumpUntil(
            [&] {
                std::vector<LONG> t = Totals(of);
                return t[0] >= added && t[1] >= removed && t[2] >= changed;
            },
            ms);
    }
    static std::vector<std::string> SelectedTexts(HWND list)
    {
        std::vector<std::string> texts;
        CListView view(list);
        for (int i = view.NextItem(-1, LVNI_SELECTED); i >= 0; i = view.NextItem(i, LVNI_SELECTED))
            texts.push_back(Cell(list, i, 0));
        return texts;
    }
    bool ViewButtonEnabled()
    {
        HWND toolbar = FindWindowExA(GetParent(Shown()), nullptr, TOOLBARCLASSNAMEA, nullptr);
        LRESULT state = SendMessageA(toolbar, TB_GETSTATE, 32768, 0);
        return state != -1 && (state & TBSTATE_ENABLED);
    }
    static std::string Indented(const char* name) { return std::string("  ") + name; }
};

using Texts = std::vector<std::string>;

} // namespace

// One file at a time: each reaches the host as a search would offer it and
// lands in the file list and in its group, a new group appears, a rewritten
// tag moves the file to its new group without asking the host again, and the
// open group and the selection stay. The last file going brings back the
// nothing-found row and closes the view menu.
TEST_F(Watch, FilesThatComeChangeAndGoFollowInBothLists)
{
    Put(ctrl, L"StrNoFileFound", VStr(L"Nothing here"));
    SearchLibrary();
    StartWatching();
    sink.infoOf = [](const std::string& path) { return path.find("new") != std::string::npos ? L"seen" : L""; };
    SetView(kViewArtist);
    HWND grouped = Shown();
    ASSERT_EQ(Rows(grouped), (Texts{"~~~Artist Unknown", "Band", "Other"}));
    Click(grouped, Find(grouped, "Band"));
    Select(grouped, {"a.mp3"});

    Write("T:\\tree\\new.mp3", Mp3WithTag("N", "Band", "Third", 0));
    ASSERT_TRUE(WaitTotals(1, 0, 0));
    EXPECT_EQ(sink.Offered().back(), "T:tree\\new.mp3");
    EXPECT_EQ(Rows(grouped), (Texts{"~~~Artist Unknown", "Band", "  a.mp3", "  b.mp3", "  new.mp3", "Other"}));
    EXPECT_EQ(SelectedTexts(grouped), Texts{"a.mp3"});

    Write("T:\\tree\\zed.mp3", Mp3WithTag("Z", "Zed", "Z", 0));
    ASSERT_TRUE(WaitTotals(2, 0, 0));
    EXPECT_EQ(Rows(grouped).back(), "Zed");

    const size_t offered = sink.Offered().size();
    Write("T:\\tree\\c.mp3", Mp3WithTag("C", "Band", "Second", 0));
    ASSERT_TRUE(WaitTotals(2, 0, 1));
    EXPECT_EQ(sink.Offered().size(), offered);
    EXPECT_EQ(Rows(grouped),
              (Texts{"~~~Artist Unknown", "Band", "  a.mp3", "  b.mp3", "  c.mp3", "  new.mp3", "Zed"}));
    EXPECT_EQ(SelectedTexts(grouped), Texts{"a.mp3"});

    DeleteFileA("T:\\tree\\a.mp3");
    ASSERT_TRUE(WaitTotals(2, 1, 1));
    EXPECT_EQ(Rows(grouped), (Texts{"~~~Artist Unknown", "Band", "  b.mp3", "  c.mp3", "  new.mp3", "Zed"}));

    SetView(kViewFiles);
    HWND files = Shown();
    Texts names = Rows(files);
    EXPECT_EQ(std::count(names.begin(), names.end(), "a.mp3"), 0);
    int added = Find(files, "new.mp3");
    EXPECT_EQ(Cell(files, added, 2), "seen"); // the host's answer, as in a search
    EXPECT_EQ(MusicCounts(ctrl)[2], 6);

    for (const char* gone : {"b.mp3", "c.mp3", "d.mp3", "e.wav", "new.mp3", "zed.mp3"})
        DeleteFileA((std::string("T:\\tree\\") + (std::string(gone) == "b.mp3" ? "x\\" : "") + gone).c_str());
    ASSERT_TRUE(WaitTotals(2, 7, 1)) << Totals(sink)[1] << " " << Rows(files)[0];
    EXPECT_EQ(Rows(files), Texts{"Nothing here"});
    EXPECT_FALSE(ViewButtonEnabled());
    EXPECT_EQ(MusicCounts(ctrl)[2], 0);
}

// A thousand files copied at once are each offered once; an album folder
// moved in is offered, renamed it leaves under its old paths and comes back
// under the new ones, moved out it leaves.
TEST_F(Watch, BurstsAndFoldersMovedInRenamedAndOut)
{
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    StartWatching();
    CreateDirectoryA("T:\\tree\\burst", nullptr);
    std::set<std::string> made;
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        snprintf(name, sizeof name, "T:\\tree\\burst\\f%04d.mp3", i);
        Write(name, Mp3WithTag("T", "Burst", "Many", 0));
        made.insert(std::string("T:tree") + (name + 7));
    }
    ASSERT_TRUE(WaitTotals(1000, 0, 0, 60000)) << Totals(sink)[0];
    std::vector<std::string> offered = sink.Offered();
    EXPECT_EQ(offered.size(), 1000u);
    EXPECT_EQ(std::set<std::string>(offered.begin(), offered.end()), made);

    CreateDirectoryA("T:\\outside", nullptr);
    CreateDirectoryA("T:\\outside\\album", nullptr);
    for (const char* song : {"1.mp3", "2.mp3", "3.mp3"})
        Write(std::string("T:\\outside\\album\\") + song, Mp3WithTag(song, "Moved", "In", 0));
    Write("T:\\outside\\album\\cover.jpg", "not music");
    ASSERT_TRUE(MoveFileA("T:\\outside\\album", "T:\\tree\\album"));
    ASSERT_TRUE(WaitTotals(1003, 0, 0));
    EXPECT_EQ(sink.Offered().back().substr(0, 13), "T:tree\\album\\");

    ASSERT_TRUE(MoveFileA("T:\\tree\\album", "T:\\tree\\renamed"));
    ASSERT_TRUE(WaitTotals(1006, 3, 0));
    offered = sink.Offered();
    EXPECT_EQ(std::count_if(offered.begin(), offered.end(),
                            [](const std::string& p) { return p.rfind("T:tree\\renamed\\", 0) == 0; }),
              3);

    ASSERT_TRUE(MoveFileA("T:\\tree\\renamed", "T:\\outside\\gone"));
    ASSERT_TRUE(WaitTotals(1006, 6, 0));
    EXPECT_EQ(MusicCounts(ctrl)[2], 1000);
    EXPECT_EQ(Totals(sink)[1], 6); // nothing else left
}

// A copy in progress: written in pieces, then held open for writing, the
// file is offered once, whole, after it is closed.
TEST_F(Watch, AFileStillBeingWrittenIsOfferedOnceWhole)
{
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    StartWatching();
    const std::string bytes = Mp3WithTag("Slow", "Writer", "Pieces", 0, "TAG", 40000);
    LONGLONG sizeWhenOffered = -1;
    sink.onAdding = [&](const std::string&) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA("T:\\tree\\slow.mp3", GetFileExInfoStandard, &data))
            sizeWhenOffered = data.nFileSizeLow;
    };
    HANDLE h = CreateFileA("T:\\tree\\slow.mp3", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const size_t piece = bytes.size() / 8 + 1;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        DWORD n;
        WriteFile(h, bytes.data() + at, DWORD(std::min(piece, bytes.size() - at)), &n, nullptr);
        Pump(400);
    }
    Pump(1800); // quiet, but still open for writing
    EXPECT_EQ(sink.Count(ADDING), 0);
    CloseHandle(h);
    ASSERT_TRUE(WaitTotals(1, 0, 0));
    Pump(1500);
    EXPECT_EQ(sink.Count(ADDING), 1);
    EXPECT_EQ(sizeWhenOffered, LONGLONG(bytes.size()));
}

// More changes than the system's buffer holds arrive while the host keeps
// the thread busy: the root is compared with the catalogue, and nothing is
// lost: every new file offered once, a deleted file gone, a rewritten tag
// filed anew.
TEST_F(Watch, AnOverflowingBufferLosesNothing)
{
    SearchLibrary();
    StartWatching();
    Pump(2500); // the library's own files are older than the watch by more than the comparison's slack
    const int kFlood = 3000;
    sink.onAdding = [&](const std::string& path) {
        if (path != "T:tree\\first.mp3")
            return;
        Sleep(1500); // the watcher sends the next file meanwhile and waits
        CreateDirectoryA("T:\\tree\\flood", nullptr);
        for (int i = 0; i < kFlood; ++i)
            Write("T:\\tree\\flood\\f" + std::to_string(i) + ".mp3", "x");
        DeleteFileA("T:\\tree\\d.mp3");
        Write("T:\\tree\\c.mp3", Mp3WithTag("C", "Band", "Second", 0));
    };
    Write("T:\\tree\\first.mp3", "x");
    Pump(400);
    Write("T:\\tree\\second.mp3", "x");
    ASSERT_TRUE(WaitTotals(kFlood + 2, 1, 1, 90000)) << Totals(sink)[0];
    Pump(1500);
    std::vector<std::string> offered = sink.Offered();
    EXPECT_EQ(std::set<std::string>(offered.begin(), offered.end()).size(), offered.size()) << "offered twice";
    EXPECT_EQ(Totals(sink), (std::vector<LONG>{kFlood + 2, 1, 1}));
    EXPECT_EQ(MusicCounts(ctrl)[2], 5 + kFlood + 2 - 1);
    SetView(kViewArtist);
    Click(Shown(), Find(Shown(), "Band"));
    EXPECT_GE(Find(Shown(), "c.mp3"), 0);
}

// Hosts that call back from inside CatalogueChanged, or from inside an
// AddingFile a change raised: the control does what they asked and goes on
// (or stops) cleanly.
TEST_F(Watch, TheHostCallsBackFromInsideTheEventsOfAChange)
{
    const std::string cache = "T:\\watch.dat";
    const struct {
        const char* name;
        bool goesOn; // a file added afterwards is still offered
    } actions[] = {{"StopSearch", true}, {"SaveFile", true}, {"LoadFile", true},
                   {"DelAllSearches", false}, {"WatchFolders", false}, {"close", false}};
    int step = 0;
    for (DISPID during : {ADDING, CHANGED}) {
        for (const auto& action : actions) {
            SCOPED_TRACE(std::string(action.name) + (during == ADDING ? " in AddingFile" : " in CatalogueChanged"));
            CHosted host;
            ASSERT_TRUE(host.Open(frame, 0));
            Put(host.ctrl, L"Style", VLong(2));
            Method(host.ctrl, L"AddSearch", {VStr(L"T:\\tree"), VStrings({L"*.mp3"}), VShort(1)});
            Method(host.ctrl, L"SaveFile", {VStr(L"T:\\watch.dat")});
            StartWatching(host.ctrl);
            bool done = false;
            host.sink.after = [&](const Event& e) {
                if (e.id != during || done)
                    return;
                done = true;
                std::string name = action.name;
                if (name == "close")
                    host.Close();
                else if (name == "WatchFolders")
                    Put(host.ctrl, L"WatchFolders", VBool(false));
                else if (name == "SaveFile" || name == "LoadFile")
                    Method(host.ctrl, std::wstring(name.begin(), name.end()).c_str(), {VStr(L"T:\\watch.dat")});
                else
                    Method(host.ctrl, std::wstring(name.begin(), name.end()).c_str());
            };
            const std::string a = "T:\\tree\\a" + std::to_string(step) + ".mp3";
            const std::string b = "T:\\tree\\b" + std::to_string(step) + ".mp3";
            const std::string c = "T:\\tree\\c" + std::to_string(step++) + ".mp3";
            Write(a, "x");
            Write(b, "x");
            ASSERT_TRUE(PumpUntil([&] { return done; }, 15000));
            Pump(300);
            ASSERT_TRUE(HeapsAreSound());
            if (!host.ctrl)
                continue;
            const int before = host.sink.Count(ADDING);
            Write(c, "x");
            Pump(2000);
            EXPECT_EQ(host.sink.Count(ADDING) > before, action.goesOn);
            if (std::string(action.name) == "SaveFile" && during == CHANGED) { // an empty catalogue deletes it
                EXPECT_NE(GetFileAttributesA(cache.c_str()), INVALID_FILE_ATTRIBUTES);
            }
        }
    }
    DeleteFileA(cache.c_str());
}

// Two controls on one folder: each is told, each catalogues the file.
TEST_F(Watch, TwoControlsWatchTheSameFolder)
{
    AddSearch(L"T:\\tree", {L"*.mp3"});
    StartWatching();
    CHosted other;
    ASSERT_TRUE(other.Open(frame, 200));
    Method(other.ctrl, L"AddSearch", {VStr(L"T:\\tree"), VStrings({L"*.mp3"}), VShort(1)});
    StartWatching(other.ctrl);
    Write("T:\\tree\\both.mp3", Mp3WithTag("B", "Both", "Two", 0));
    ASSERT_TRUE(WaitTotals(1, 0, 0));
    ASSERT_TRUE(WaitTotals(1, 0, 0, 20000, &other.sink));
    EXPECT_EQ(sink.Offered(), Texts{"T:tree\\both.mp3"});
    EXPECT_EQ(other.sink.Offered(), Texts{"T:tree\\both.mp3"});
    DeleteFileA("T:\\tree\\both.mp3");
    ASSERT_TRUE(WaitTotals(1, 1, 0));
    ASSERT_TRUE(WaitTotals(1, 1, 0, 20000, &other.sink));
    EXPECT_EQ(MusicCounts(other.ctrl)[2], 0);
}

// A root that goes away keeps its records; when it comes back it is watched
// again and compared with the catalogue: records whose files did not come
// back leave, and the new files are offered.
TEST_F(Watch, ARootThatGoesKeepsItsRecordsUntilItReturns)
{
    SearchLibrary();
    StartWatching();
    ASSERT_TRUE(MoveFileA("T:\\tree", "T:\\outside")); // unplugged, as far as the control can tell
    Pump(1500);
    DeleteFileA("T:\\outside\\c.mp3");
    Pump(1500);
    EXPECT_EQ(Totals(sink), (std::vector<LONG>{0, 0, 0}));
    EXPECT_EQ(MusicCounts(ctrl)[2], 5);

    CreateDirectoryA("T:\\tree", nullptr);
    Write("T:\\tree\\a.mp3", Mp3WithTag("A", "Band", "First", 0));
    Write("T:\\tree\\back.mp3", Mp3WithTag("Back", "Band", "First", 0));
    ASSERT_TRUE(WaitTotals(1, 4, 0));
    EXPECT_EQ(sink.Offered().back(), "T:tree\\back.mp3");
    EXPECT_EQ(MusicCounts(ctrl)[2], 2);
}

// Changes during a search wait, and are applied once it has ended.
TEST_F(Watch, ChangesDuringASearchWaitForItsEnd)
{
    SearchLibrary();
    StartWatching();
    Write("T:\\tree\\late.mp3", "x");
    sink.onAdding = [&](const std::string& path) {
        if (path != "T:tree\\late.mp3")
            return;
        Write("T:\\tree\\c.mp3", Mp3WithTag("C", "Band", "Second", 0));
        Pump(2000); // the watcher reports the rewritten tag meanwhile
    };
    ASSERT_TRUE(RunSearch());
    ASSERT_TRUE(WaitTotals(0, 0, 1));
    const auto end = std::find_if(sink.events.begin(), sink.events.end(), [](const Event& e) { return e.id == END; });
    const auto changed =
        std::find_if(sink.events.begin(), sink.events.end(), [](const Event& e) { return e.id == CHANGED; });
    EXPECT_LT(end - sink.events.begin(), changed - sink.events.begin());
    SetView(kViewArtist);
    EXPECT_EQ(Rows(Shown()), (Texts{"~~~Artist Unknown", "Band"}));
}

// Without UnicodeNames a name the code page cannot hold is skipped, as the
// search skips it; turned on while watching, such names arrive whole.
TEST_F(Watch, NamesOutsideTheCodePageWaitForUnicodeNames)
{
    AddSearch(L"T:\\tree", {L"*.mp3"});
    StartWatching();
    auto writeWide = [](const wchar_t* path) {
        HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    };
    writeWide(L"T:\\tree\\Пётр.mp3");
    Write("T:\\tree\\plain.mp3", "x");
    ASSERT_TRUE(WaitTotals(1, 0, 0));
    Pump(1200);
    EXPECT_EQ(sink.Offered(), Texts{"T:tree\\plain.mp3"});

    ASSERT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
    writeWide(L"T:\\tree\\Мир.mp3");
    ASSERT_TRUE(WaitTotals(2, 0, 0));
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.Last(ADDING)->wide, L"T:tree\\Мир.mp3");
}

// Set before the container activates the control, the watch starts with its
// window; once the window has gone the property still reads as set, but
// nothing is watched and no event comes.
TEST_F(Watch, SetBeforeActivationAndAfterTheWindowHasGone)
{
    IDispatch* made = NewControl();
    ASSERT_NE(made, nullptr);
    StartWatching(made);
    Method(made, L"AddSearch", {VStr(L"T:\\tree"), VStrings({L"*.mp3"}), VShort(1)});
    CHosted early;
    ASSERT_TRUE(early.Open(frame, 200, made));
    Write("T:\\tree\\early.mp3", "x");
    ASSERT_TRUE(WaitTotals(1, 0, 0, 20000, &early.sink));
    EXPECT_EQ(early.sink.Offered(), Texts{"T:tree\\early.mp3"});

    DestroyWindow(early.ax); // the host closes the window and keeps its reference
    early.ax = nullptr;
    Pump(100);
    EXPECT_EQ(Put(early.ctrl, L"WatchFolders", VBool(false)).hr, S_OK);
    EXPECT_EQ(Put(early.ctrl, L"WatchFolders", VBool(true)).hr, S_OK);
    EXPECT_TRUE(Get(early.ctrl, L"WatchFolders").Bool());
    const size_t events = early.sink.events.size();
    Write("T:\\tree\\late.mp3", "x");
    Pump(2000);
    EXPECT_EQ(early.sink.events.size(), events);
    EXPECT_TRUE(HeapsAreSound());
}
