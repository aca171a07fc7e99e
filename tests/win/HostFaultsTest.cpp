// What careless and busy hosts do: call back into the control from inside its
// events, let it go there, configure it before the container activates it,
// run two at once.
#include "HostedControl.h"

namespace {

class HostFaults : public Views {
protected:
    void TearDown() override
    {
        for (const char* file : {"U:\\u1.mp3", "U:\\u2.mp3", "U:\\u3.mp3", "U:\\u4.mp3", "U:\\u5.mp3"})
            DeleteFileA(file);
        Views::TearDown();
    }
    // The fixture's own control goes, so that the module can count what is left.
    void LetTheFirstControlGo()
    {
        cp->Unadvise(cookie);
        cp->Release();
        cp = nullptr;
        DestroyWindow(ax);
        ctrl->Release();
        ctrl = nullptr;
    }
    void Files(const std::string& folder, int count)
    {
        for (int i = 0; i < count; ++i)
            Write(folder + "\\f" + std::to_string(i) + ".mp3", Mp3WithTag("T", "Band", "Album", 0));
    }
    static bool Begin(IDispatch* d)
    {
        return Method(d, L"BeginSearch").hr == S_OK;
    }
    // 2,000 files on T: for this control, 9 on U: for another beside it, which
    // starts its search gapMs after this one, or never.
    void LongAndShort(DWORD gapMs, bool both)
    {
        if (GetFileAttributesA("U:\\") == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "drive U: is not mapped to a test folder";
        Files("T:\\tree", 2000);
        RemoveTestFolder("U:\\nine");
        CreateDirectoryA("U:\\nine", nullptr);
        Files("U:\\nine", 9);
        CHosted other;
        ASSERT_TRUE(other.Open(frame, 200));
        AddSearch(L"T", {L"*.mp3"});
        Method(other.ctrl, L"AddSearch", {VStr(L"U"), VStrings({L"*.mp3"}), VShort(1)});
        ASSERT_TRUE(Begin(ctrl));
        Pump(gapMs);
        if (both) {
            ASSERT_TRUE(Begin(other.ctrl));
        }
        const int ends = both ? 1 : 0;
        ASSERT_TRUE(PumpUntil([&] { return sink.Count(END) == 1 && other.sink.Count(END) == ends; }, 900000))
            << sink.Offered().size() << " and " << other.sink.Offered().size() << " files offered";
        Pump(20);
        EXPECT_EQ(sink.Offered().size(), 2000u);
        EXPECT_EQ(sink.Last(END)->b, 2000);
        EXPECT_EQ(sink.Last(PROGRESS)->a, 100);
        EXPECT_EQ(CListView(Shown()).ItemCount(), 2000);
        if (both) {
            EXPECT_EQ(other.sink.Offered().size(), 9u);
            EXPECT_EQ(other.sink.Last(END)->b, 9);
            EXPECT_EQ(other.sink.Last(PROGRESS)->a, 100);
            EXPECT_EQ(CListView(FindShownList(other.ax)).ItemCount(), 9);
        } else {
            EXPECT_TRUE(other.sink.events.empty());
        }
        EXPECT_TRUE(HeapsAreSound());
        RemoveTestFolder("U:\\nine");
    }
};

} // namespace

// A stop asks the worker to end; until it has, and through EndSearch, the
// request table refuses every change, whatever the host calls from its events.
TEST_F(HostFaults, TheRequestTableHoldsUntilTheWorkerHasEnded)
{
    Files("T:\\tree", 40);
    AddSearch(L"T:\\tree", {L"*.mp3"});
    for (DISPID during : {ADDING, PROGRESS}) {
        std::vector<bool> answers;
        bool stopped = false;
        sink.after = [&](const Event& e) {
            if (e.id == during && !stopped) {
                stopped = true;
                Method(ctrl, L"StopSearch");
                Call all = Method(ctrl, L"DelAllSearches");
                Call one = Method(ctrl, L"DeleteSearch", {VStr(L"T:tree")});
                answers.push_back(all.Bool());
                answers.push_back(one.Bool());
                AddSearch(L"U:", {L"*.mp3"}); // answered TRUE, the table stays as it is
            } else if (e.id == END) {
                answers.push_back(Method(ctrl, L"DelAllSearches").Bool());
            }
        };
        sink.events.clear();
        ASSERT_TRUE(RunSearch()) << during;
        sink.after = nullptr;
        EXPECT_EQ(answers, (std::vector<bool>{false, false, false})) << during;
        EXPECT_LT(sink.Offered().size(), 40u) << during;
        EXPECT_FALSE(Method(ctrl, L"DeleteSearch", {VStr(L"U:")}).Bool()) << during; // never added
        ASSERT_TRUE(HeapsAreSound()) << during;
    }
    EXPECT_TRUE(Method(ctrl, L"DelAllSearches").Bool()); // the search is over now
}

// Each search works from what it was given at its start: one control's abort
// reaches no other control's search, and a filter changed mid-scan does not
// change what the running scan counts.
TEST_F(HostFaults, TwoControlsSearchAtOnce)
{
    if (GetFileAttributesA("U:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "drive U: is not mapped to a test folder";
    Files("T:\\tree", 30);
    for (int i = 1; i <= 5; ++i)
        Write("U:\\u" + std::to_string(i) + ".mp3", "x");
    CHosted other;
    ASSERT_TRUE(other.Open(frame, 200));
    AddSearch(L"T", {L"*.mp3"}); // whole drives: progress needs their used space
    Method(other.ctrl, L"AddSearch", {VStr(L"U"), VStrings({L"*.mp3"}), VShort(1)});
    sink.abortOn = [](const Event& e) { return e.a < 100; }; // this host stops its search at once
    other.sink.onAdding = [&](const std::string&) {
        if (other.sink.Count(ADDING) == 0) { // the other host hides MP3 files while its scan runs
            Method(other.ctrl, L"HideItems", {VStrings({L"*.mp3"})});
        }
    };
    ASSERT_TRUE(Begin(ctrl));
    ASSERT_TRUE(Begin(other.ctrl));
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(END) == 1 && other.sink.Count(END) == 1; }));
    Pump(20);
    EXPECT_LT(sink.Offered().size(), 30u);
    EXPECT_EQ(other.sink.Offered().size(), 5u);
    ASSERT_NE(other.sink.Last(PROGRESS), nullptr);
    EXPECT_EQ(other.sink.Last(PROGRESS)->b, 5); // counted against the hidden list the search began with
    EXPECT_TRUE(HeapsAreSound());
}

// Two controls side by side, a drive of 2,000 files and one of 9: started one
// right after the other, a second apart, or the long one alone beside an idle
// control. Each search runs to its end with every file offered, counted and
// listed. The time allowed is generous: under an emulator the long search
// takes minutes.
TEST_F(HostFaults, ALongAndAShortSearchStartedBackToBackBothEnd) { LongAndShort(0, true); }
TEST_F(HostFaults, ALongAndAShortSearchStartedASecondApartBothEnd) { LongAndShort(1000, true); }
TEST_F(HostFaults, ALongSearchBesideAnIdleControlEnds) { LongAndShort(0, false); }

// The host closes its window and drops its references from inside each event;
// the control finishes what it was doing and is freed afterwards.
TEST_F(HostFaults, TheHostLetsTheControlGoInsideEachEvent)
{
    Files("T:\\tree", 12);
    LetTheFirstControlGo();
    Pump(50);
    ASSERT_EQ(OcxCall("DllCanUnloadNow"), S_OK);
    const struct {
        DISPID event;
        int before; // occurrences of the event to let pass first
    } cases[] = {{ADDING, 3}, {PROGRESS, 0}, {END, 0}, {SELECTED, 0}, {DBLCLICK, 0}, {DISABLED, 0}};
    for (const auto& test : cases) {
        CHosted host;
        ASSERT_TRUE(host.Open(frame, 0));
        Put(host.ctrl, L"Style", VLong(2));
        bool gone = false;
        host.sink.after = [&](const Event& e) {
            if (e.id == test.event && host.sink.Count(e.id) > test.before && !gone) {
                gone = true;
                host.Close();
            }
        };
        Method(host.ctrl, L"AddSearch", {VStr(L"T"), VStrings({L"*.mp3"}), VShort(1)});
        if (test.event == DISABLED) { // the View button of a control that holds nothing
            SendMessageA(GetParent(FindShownList(host.ax)), WM_COMMAND, MAKEWPARAM(32768, BN_CLICKED), 0);
        } else {
            ASSERT_TRUE(Begin(host.ctrl));
            PumpUntil([&] { return gone || host.sink.Count(END) > 0; });
            if (!gone) { // the list events: a click on a file row
                HWND files = FindShownList(host.ax);
                ASSERT_NE(files, nullptr);
                Click(files, 0, test.event == DBLCLICK ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN);
            }
        }
        EXPECT_TRUE(gone) << test.event;
        Pump(100);
        EXPECT_TRUE(HeapsAreSound()) << test.event;
        EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK) << test.event; // freed, not leaked
    }
}

// A cache file and a tip text named before the container activates the
// control show as soon as it does; a later search keeps those rows.
TEST_F(HostFaults, ACacheFileNamedBeforeActivationShowsItsRows)
{
    SearchLibrary();
    ASSERT_EQ(Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")}).Long(), 0);
    IDispatch* early = NewControl();
    ASSERT_NE(early, nullptr);
    Call cache = Put(early, L"CacheFile", VStr(L"T:\\tree\\cache.snd"));
    Put(early, L"TipText", VStr(L"Press Scan"));
    CHosted host;
    ASSERT_TRUE(host.Open(frame, 0, early));
    HWND files = FindShownList(host.ax);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(Rows(files).size(), 5u);
    HWND tipWnd = FindWindowExA(GetParent(files), nullptr, "TarnwickTip", nullptr);
    ASSERT_NE(tipWnd, nullptr);
    EXPECT_EQ(TextOf(tipWnd), "Press Scan");
    Method(host.ctrl, L"AddSearch", {VStr(L"T:\\tree"), VStrings({L"*.mp3", L"*.wav"}), VShort(2)});
    cache = Put(host.ctrl, L"StrNoFileFound", VStr(L"Nothing here"));
    ASSERT_TRUE(Begin(host.ctrl));
    ASSERT_TRUE(PumpUntil([&] { return host.sink.Count(END) > 0; }));
    EXPECT_TRUE(host.sink.Offered().empty()); // all catalogued already
    EXPECT_EQ(Rows(FindShownList(host.ax)).size(), 5u);
    Put(host.ctrl, L"Style", VLong(2));
    Put(host.ctrl, L"View", VLong(1040));
    EXPECT_EQ(Rows(FindShownList(host.ax)), (std::vector<std::string>{"~~~Artist Unknown", "Band", "Other"}));
}

// Loading a cache file while a grouped view shows builds that view anew.
TEST_F(HostFaults, LoadingIntoAShownGroupedViewListsEachGroupOnce)
{
    SearchLibrary();
    Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")});
    SetView(1040);
    Click(Shown(), 1);
    EXPECT_EQ(Method(ctrl, L"LoadFile", {VStr(L"T:\\tree\\cache.snd")}).Long(), 0);
    EXPECT_EQ(Rows(Shown()), (std::vector<std::string>{"~~~Artist Unknown", "Band", "Other"}));
}
