// The track lookup end to end: the control hosted as in the search tests,
// with the tests' own CDDB component registered for the thread under the
// component's class id, and a host that answers the lookup events.
#include "FakeCddb.h"
#include "HostedControl.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Messages.h"
#include <cstdio>

namespace {

enum : DISPID {
    L_PROGRESS = DISPID_TW_EVENT_LOOKUPPROGRESS,
    L_START = DISPID_TW_EVENT_STARTLOOKUP,
    L_END = DISPID_TW_EVENT_ENDLOOKUP,
};

class Lookup : public Views {
protected:
    void SetUp() override
    {
        Views::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(g_cddb.Register());
    }
    void TearDown() override
    {
        g_cddb.Revoke();
        Views::TearDown();
        EXPECT_EQ(FakeObjectsAlive(), 0); // the records let go of the look-up service with themselves
    }

    bool SetupCDDB()
    {
        Call c = Method(ctrl, L"SetupCDDB", {VStr(L"client"), VStr(L"tag"), VStr(L"1.0")});
        EXPECT_EQ(c.hr, S_OK);
        return c.Bool();
    }
    bool RunLookup()
    {
        sink.lookup.clear();
        g_cddb.Forget();
        Call c = Method(ctrl, L"Lookup");
        EXPECT_EQ(c.hr, S_OK);
        return c.Bool();
    }
    bool Flag(const wchar_t* property)
    {
        Call c = Get(ctrl, property);
        EXPECT_EQ(c.hr, S_OK);
        return c.Bool();
    }
    void Search(std::vector<std::string> names)
    {
        for (const std::string& name : names)
            Write("T:\\tree\\" + name, name.find(".wav") != std::string::npos ? "RIFF" : "untagged");
        AddSearch(L"T:\\tree", {L"*.mp3", L"*.wav"});
        ASSERT_TRUE(RunSearch());
    }
    // The records as the control saves them, by file name: title|album|artist|genre|tagged.
    std::map<std::string, std::string> Saved()
    {
        EXPECT_EQ(Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")}).Long(), 0);
        CCatalogue catalogue;
        EXPECT_EQ(LoadFile(catalogue, "T:\\tree\\cache.snd"), 0);
        std::map<std::string, std::string> records;
        for (const auto& entry : catalogue.Files()) {
            const CMusicInfo& r = *entry.second;
            records[r.m_strFileName.c_str()] = std::string(r.m_strTitle.c_str()) + "|" + r.m_strAlbum.c_str() + "|" +
                                               r.m_strArtist.c_str() + "|" + std::to_string(r.m_nGenre) + "|" +
                                               std::to_string(r.m_bTagged);
        }
        return records;
    }

    int Asked() const { return int(std::count(sink.lookup.begin(), sink.lookup.end(), "user")); }
};

using Lines = std::vector<std::string>;

} // namespace

// Every step of the setup that fails, or gives no object where one must come,
// makes SetupCDDB answer FALSE, and the host is not asked for a user.
TEST_F(Lookup, AFailingSetupStepAnswersFalseAndAsksNoUser)
{
    const struct {
        const char* method;
        HRESULT hr; // S_OK: succeeds without its object
    } steps[] = {{"create", REGDB_E_CLASSNOTREG}, {"SetClientInfo", E_FAIL},  {"SetWindow", E_ACCESSDENIED},
                 {"GetOptions", E_FAIL},          {"GetOptions", S_OK},       {"SetOptions", E_FAIL},
                 {"GetRegistration", E_FAIL},     {"GetLookupService", E_FAIL}, {"GetLookupService", S_OK}};
    for (const auto& step : steps) {
        g_cddb.Forget();
        g_cddb.failing.clear();
        g_cddb.empty.clear();
        g_cddb.registered = true;
        if (FAILED(step.hr))
            g_cddb.failing[step.method] = step.hr;
        else
            g_cddb.empty.insert(step.method);
        EXPECT_FALSE(SetupCDDB()) << step.method;
        Lines calls = g_cddb.Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().compare(0, strlen(step.method), step.method), 0) << calls.back(); // nothing after it
        EXPECT_FALSE(Flag(L"IsLookupSetupOk")) << step.method;
        EXPECT_FALSE(Flag(L"IsLookupAlive")) << step.method;
    }
    EXPECT_TRUE(sink.lookup.empty());
}

// Without a registered user the host names one in GetUserInfo, once per call;
// once set up, SetupCDDB succeeds without contacting the component.
TEST_F(Lookup, TheHostNamesTheUserOncePerCallUntilTheLookupIsSetUp)
{
    g_cddb.failing["RegisterUser"] = E_FAIL;
    EXPECT_FALSE(SetupCDDB());
    EXPECT_EQ(sink.lookup, Lines{"user"});
    EXPECT_EQ(g_cddb.Calls(), (Lines{"create", "SetClientInfo client|tag|1.0|", "SetWindow window 2", "GetOptions",
                                     "SetLocalLookup 1", "SetProgressEvents 0", "SetOptions", "GetRegistration 0",
                                     "GetUserInfo", "SetUserName demo", "SetPassword secret", "RegisterUser"}));
    EXPECT_FALSE(Flag(L"IsLookupSetupOk"));

    g_cddb.failing.clear();
    g_cddb.acceptUser = false; // registered, but the component still knows no user
    g_cddb.Forget();
    EXPECT_FALSE(SetupCDDB());
    EXPECT_EQ(Asked(), 2);
    EXPECT_EQ(g_cddb.Count("create"), 1); // a component without a user is made anew
    EXPECT_EQ(g_cddb.Calls().back(), "GetRegistration 0");

    g_cddb.acceptUser = true;
    sink.user = L"second";
    g_cddb.Forget();
    EXPECT_TRUE(SetupCDDB());
    EXPECT_EQ(Asked(), 3);
    EXPECT_EQ(g_cddb.Count("SetUserName second"), 1);
    EXPECT_EQ(g_cddb.Calls().back(), "GetLookupService");
    EXPECT_TRUE(Flag(L"IsLookupSetupOk"));
    EXPECT_TRUE(Flag(L"IsLookupAlive"));
    g_cddb.failing["TestStatus"] = E_FAIL;
    EXPECT_FALSE(Flag(L"IsLookupAlive"));
    EXPECT_EQ(g_cddb.Count("TestStatus 0"), 2);

    g_cddb.Forget();
    EXPECT_TRUE(SetupCDDB());
    EXPECT_TRUE(g_cddb.Calls().empty());
    EXPECT_EQ(Asked(), 3);
}

// Three untagged files: a direct match, one that fails once and is retried, a
// candidate whose title is found in the path. A WAV file gets its progress too.
TEST_F(Lookup, UntaggedFilesAreFilledInWithProgressRetryAndCounts)
{
    g_cddb.registered = true;
    ASSERT_TRUE(SetupCDDB());
    EXPECT_TRUE(sink.lookup.empty()); // a registered user: no question
    g_cddb.discs = {{" Band ", "First ", "(17)", {"Alpha", "Beta"}}, {"Other", "Second", "Rock", {"Nope", "Third"}}};
    g_cddb.answers["01 Alpha.mp3"] = {0, 1, false, 0};
    g_cddb.answers["02 Beta.mp3"] = {0, 2, false, 1};
    g_cddb.answers["Third Song.mp3"] = {1, 0, true, 0};
    Search({"01 Alpha.mp3", "02 Beta.mp3", "Third Song.mp3", "voice.wav"});

    EXPECT_TRUE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 33", "error 80004005", "progress 66", "progress 100",
                                  "progress 100", "progress 100", "end 3 3"}));
    EXPECT_EQ(g_cddb.Count("IdentifyFile 02 Beta.mp3"), 2);
    EXPECT_EQ(g_cddb.Count("IdentifyFile"), 4); // with flag 0, never for the WAV file
    EXPECT_EQ(g_cddb.Count("GetResultList"), 1);
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{3, 3, 4}));
    EXPECT_EQ(Saved(), (std::map<std::string, std::string>{{"01 Alpha.mp3", "Alpha|First|Band|17|1"},
                                                           {"02 Beta.mp3", "Beta|First|Band|17|1"},
                                                           {"Third Song.mp3", "Third|Second|Other|0|1"},
                                                           {"voice.wav", "|||-1|0"}}));
}

// LookupError answered FALSE ends the whole look-up, bAbort in LookupProgress
// too; both still report 100 % and EndLookup. Records once filled in are not
// looked up again; one whose disc gives no track count is left as it was.
TEST_F(Lookup, StopAbortAndASecondLookup)
{
    g_cddb.registered = true;
    ASSERT_TRUE(SetupCDDB());
    g_cddb.discs = {{"Band", "Album", "12", {"A", "B", "C"}}};
    g_cddb.answers["b.mp3"] = {0, 2, false, 1};
    g_cddb.answers["c.mp3"] = {0, 3, false, 0};
    Search({"a.mp3", "b.mp3", "c.mp3"}); // a.mp3 is unknown to the component

    sink.retry = false;
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 33", "error 80004005", "progress 100", "end 0 3"}));
    EXPECT_EQ(g_cddb.Count("IdentifyFile c.mp3"), 0);

    sink.abortLookupAt = [](LONG percent) { return percent == 33; };
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 33", "progress 100", "end 0 3"}));
    EXPECT_EQ(g_cddb.Calls(), (Lines{"IdentifyFile a.mp3", "GetResultList"}));

    sink.abortLookupAt = [](LONG) { return false; };
    EXPECT_TRUE(RunLookup()); // b.mp3 fails no more
    EXPECT_EQ(sink.lookup.back(), "end 2 3");
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup.back(), "end 0 1");
    EXPECT_EQ(g_cddb.Count("IdentifyFile"), 1); // a.mp3 only
    EXPECT_EQ(Saved()["b.mp3"], "B|Album|Band|12|1");

    g_cddb.answers["a.mp3"] = {0, 0, true, 0}; // a candidate whose track count cannot be read
    g_cddb.failing["GetCount"] = E_OUTOFMEMORY;
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "error 8007000e", "progress 100", "end 0 1"}));
    EXPECT_EQ(Saved()["a.mp3"], "|||-1|0"); // left as it was
}

// Not set up, the look-up still walks the catalogue: an empty one reports
// 100 % at once; WAV files count as visited but never as MP3 files. A host
// that quits meanwhile finds its quit message in its own loop afterwards.
TEST_F(Lookup, WithoutSetupTheWalkReportsAndChangesNothing)
{
    sink.after = [](const Event& e) {
        if (e.id == L_START)
            PostQuitMessage(7);
    };
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 100", "end 0 0"}));
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    sink.after = nullptr;
    Search({"one.wav", "two.wav"});
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 0", "progress 0", "progress 100", "end 0 0"}));
    Search({"x.mp3"});
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 0", "progress 0", "progress 100", "progress 100", "end 0 1"}));
    EXPECT_TRUE(g_cddb.Calls().empty());
}

// The shown artist view is built anew after the look-up: the once-unknown file
// stands under its new artist, no group twice, though the host switched views
// and read the counts from inside the look-up's events.
TEST_F(Lookup, TheShownGroupedViewIsBuiltAnewWithTheNewArtist)
{
    g_cddb.registered = true;
    ASSERT_TRUE(SetupCDDB());
    g_cddb.discs = {{"Newcomer", "Debut", "(12)", {"Untitled"}}};
    g_cddb.answers["d.mp3"] = {0, 1, false, 0};
    SearchLibrary();
    SetView(1040);
    ASSERT_EQ(Rows(Shown()), (Lines{"~~~Artist Unknown", "Band", "Other"}));
    std::vector<LONG> countsAtEnd;
    sink.after = [&](const Event& e) {
        if (e.id == L_PROGRESS) {
            SetView(1041);
            SetView(1040);
        } else if (e.id == L_END) {
            countsAtEnd = MusicCounts(ctrl);
        }
    };
    EXPECT_TRUE(RunLookup());
    EXPECT_EQ(countsAtEnd, (std::vector<LONG>{4, 4, 5}));
    EXPECT_EQ(Rows(Shown()), (Lines{"~~~Artist Unknown", "Band", "Newcomer", "Other"}));
    Click(Shown(), 0); // only the WAV file is left unknown
    EXPECT_EQ(Rows(Shown()), (Lines{"~~~Artist Unknown", "  e.wav", "Band", "Newcomer", "Other"}));
    SetView(1041);
    EXPECT_EQ(Rows(Shown()), (Lines{"~~~Album Unknown", "Debut", "First", "Second"}));
}

// A host that, inside LookupProgress, tries to search, load a cache file and
// look up again (all refused while the look-up walks the catalogue), then
// closes its window: the worker ends before the catalogue goes.
TEST_F(Lookup, AHostThatClosesTheWindowInsideTheLookup)
{
    g_cddb.registered = true;
    ASSERT_TRUE(SetupCDDB());
    g_cddb.discs = {{"Band", "Album", "1", {"A", "B", "C"}}};
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        g_cddb.answers[name] = {0, 1, false, 0};
    Search({"a.mp3", "b.mp3", "c.mp3"});
    Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")});
    const int searches = sink.Count(START);
    LONG loaded = 0;
    bool again = true;
    sink.after = [&](const Event& e) {
        if (e.id != L_PROGRESS || !ax)
            return;
        Method(ctrl, L"BeginSearch");
        Call load = Method(ctrl, L"LoadFile", {VStr(L"T:\\tree\\cache.snd")});
        Call lookup = Method(ctrl, L"Lookup");
        loaded = load.Long();
        again = lookup.Bool();
        HWND closing = ax;
        ax = nullptr;
        DestroyWindow(closing);
    };
    RunLookup();
    EXPECT_EQ(sink.Count(START), searches);
    EXPECT_EQ(loaded, LONG(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(again);
    EXPECT_EQ(sink.lookup, (Lines{"start", "progress 33", "progress 100", "end 1 3"}));
    EXPECT_TRUE(HeapsAreSound());
}

namespace {

// The control's thread hears of each filled-in record through the view's
// UM_TRACKUPDATED; the probe asks the control for its counts before and after.
WNDPROC g_viewProc = nullptr;
IDispatch* g_probed = nullptr;
std::vector<std::pair<LONG, LONG>> g_taggedAround; // tagged records before and after each update

LRESULT CALLBACK ProbeView(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != UM_TRACKUPDATED)
        return CallWindowProcA(g_viewProc, hwnd, msg, wp, lp);
    LONG before = MusicCounts(g_probed)[0];
    LRESULT r = CallWindowProcA(g_viewProc, hwnd, msg, wp, lp);
    g_taggedAround.emplace_back(before, MusicCounts(g_probed)[0]);
    return r;
}

// A host's timer: hides items, changes the minimum length, saves and reads
// the records back, each time it fires.
std::function<void()> g_onTimer;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) { g_onTimer(); }

} // namespace

// While the look-up runs, a host timer hides items, changes the minimum length
// and saves the catalogue again and again. A record changes only when the
// control's thread takes the look-up's answer in, so no save or rebuild ever
// meets one half filled in. Run again under Wine's heap check.
TEST_F(Lookup, AHostTimerRefilesAndSavesWhileTheLookupFillsIn)
{
    g_cddb.registered = true;
    ASSERT_TRUE(SetupCDDB());
    const std::string artist = "An artist with a name long enough", album = "An album with a name long enough";
    g_cddb.discs = {{artist, album, "(17)", {"Song"}}};
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back("track " + std::to_string(1000 + i) + ".mp3");
        g_cddb.answers[names.back()] = {0, 1, false, 0};
    }
    names.push_back("voice.wav");
    Search(names);
    HWND view = GetDlgItem(GetParent(Shown()), 1);
    ASSERT_NE(view, nullptr);
    g_probed = ctrl;
    g_taggedAround.clear();
    g_viewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(view, GWLP_WNDPROC, LONG_PTR(ProbeView)));
    std::vector<std::string> torn;
    int ticks = 0;
    g_onTimer = [&] {
        ++ticks;
        Patterns(L"HideItems", {ticks % 2 ? L"*.wav" : L"*.ogg"});
        Method(ctrl, L"SetHideAudioLength", {VLong(ticks % 2 ? 0 : 500)});
        for (const auto& record : Saved())
            if (record.second != "|||-1|0" && record.second != "Song|" + album + "|" + artist + "|17|1")
                torn.push_back(record.first + " " + record.second);
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 1, OnTimer);
    EXPECT_TRUE(RunLookup());
    KillTimer(nullptr, timer);
    SetWindowLongPtrA(view, GWLP_WNDPROC, LONG_PTR(g_viewProc));
    Patterns(L"HideItems", {L"*.ogg"});
    Method(ctrl, L"SetHideAudioLength", {VLong(0)});

    EXPECT_EQ(torn, Lines{});
    ASSERT_EQ(g_taggedAround.size(), 300u);
    for (size_t i = 0; i < g_taggedAround.size(); ++i) {
        ASSERT_EQ(g_taggedAround[i], std::make_pair(LONG(i), LONG(i + 1))) << "update " << i;
    }
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{300, 300, 301}));
    SetView(1040);
    EXPECT_EQ(Rows(Shown()), (Lines{"~~~Artist Unknown", artist}));
    EXPECT_TRUE(HeapsAreSound());
}

// With UnicodeNames the component is given the path and gives its texts whole.
TEST_F(Lookup, UnicodeNamesReachTheComponentAndComeBackWhole)
{
    g_cddb.registered = true;
    ASSERT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
    ASSERT_TRUE(SetupCDDB());
    g_cddb.discs = {{"Пётр", "Альбом", "(17)", {"Песня \xF0\x9D\x84\x9E"}}};
    g_cddb.answers["Песня.mp3"] = {0, 1, false, 0};
    CloseHandle(CreateFileW(L"T:\\tree\\Песня.mp3", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    EXPECT_TRUE(RunLookup());
    EXPECT_EQ(g_cddb.Count("IdentifyFile Песня.mp3"), 1);
    SetView(1040);
    EXPECT_EQ(WideRows(Shown()), std::vector<std::wstring>{L"Пётр"});
    SetView(1041);
    EXPECT_EQ(WideRows(Shown()), std::vector<std::wstring>{L"Альбом"});
}
