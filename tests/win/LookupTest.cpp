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
    L_USER = DISPID_TW_EVENT_GETUSERINFO,
    L_ERROR = DISPID_TW_EVENT_LOOKUPERROR,
};

// The host's side of the lookup events: each one as a line of text, and the
// answers a host gives.
class CLookupSink : public CEventSink {
public:
    // "start", "progress 33", "error 80004005", "user", and "end 1 3": records
    // filled in, untagged MP3 files at the start.
    std::vector<std::string> events;
    std::wstring user = L"demo", password = L"secret";
    bool retry = true;
    std::function<bool(LONG percent)> abortAt = [](LONG) { return false; };
    std::function<void(DISPID)> during; // a host calling back into the control

    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        if (int(dp->cArgs) != TwEventArgCount(id))
            return;
        VARIANTARG* arg = dp->rgvarg; // last argument first
        char line[64];
        switch (id) {
        case L_START: snprintf(line, sizeof line, "start"); break;
        case L_USER:
            EXPECT_EQ(SysStringLen(*arg[1].pbstrVal) + SysStringLen(*arg[0].pbstrVal), 0u); // both arrive empty
            SysFreeString(*arg[1].pbstrVal);
            SysFreeString(*arg[0].pbstrVal);
            *arg[1].pbstrVal = SysAllocString(user.c_str());
            *arg[0].pbstrVal = SysAllocString(password.c_str());
            snprintf(line, sizeof line, "user");
            break;
        case L_PROGRESS:
            EXPECT_EQ(*arg[0].pboolVal, VARIANT_FALSE);
            snprintf(line, sizeof line, "progress %d", arg[1].iVal);
            if (abortAt(arg[1].iVal))
                *arg[0].pboolVal = VARIANT_TRUE;
            break;
        case L_ERROR:
            EXPECT_EQ(*arg[0].pboolVal, VARIANT_TRUE); // bRetry arrives TRUE
            snprintf(line, sizeof line, "error %08lx", static_cast<unsigned long>(arg[1].lVal));
            *arg[0].pboolVal = retry ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case L_END: snprintf(line, sizeof line, "end %ld %ld", long(arg[1].lVal), long(arg[0].lVal)); break;
        default: return;
        }
        events.push_back(line);
        if (during)
            during(id);
    }
    int Count(const std::string& line) const { return int(std::count(events.begin(), events.end(), line)); }
};

class Lookup : public Views {
protected:
    void SetUp() override
    {
        Views::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(g_cddb.Register());
        ASSERT_TRUE(Advise(ctrl, &host, &lookupCp, &lookupCookie));
    }
    void TearDown() override
    {
        if (lookupCp) {
            lookupCp->Unadvise(lookupCookie);
            lookupCp->Release();
        }
        g_cddb.Revoke();
        Views::TearDown();
        EXPECT_EQ(FakeObjectsAlive(), 0); // the records let go of the look-up service with themselves
    }

    bool SetupCDDB()
    {
        Call c;
        Method(c, ctrl, L"SetupCDDB", {VStr(L"client"), VStr(L"tag"), VStr(L"1.0")});
        EXPECT_EQ(c.hr, S_OK);
        return c.Bool();
    }
    bool RunLookup()
    {
        host.events.clear();
        g_cddb.Forget();
        Call c;
        Method(c, ctrl, L"Lookup");
        EXPECT_EQ(c.hr, S_OK);
        return c.Bool();
    }
    bool Flag(const wchar_t* property)
    {
        Call c;
        Get(c, ctrl, property);
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
        Call save;
        Method(save, ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")});
        EXPECT_EQ(save.Long(), 0);
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

    CLookupSink host;
    IConnectionPoint* lookupCp = nullptr;
    DWORD lookupCookie = 0;
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
    EXPECT_TRUE(host.events.empty());
}

// Without a registered user the host names one in GetUserInfo, once per call;
// once set up, SetupCDDB succeeds without contacting the component.
TEST_F(Lookup, TheHostNamesTheUserOncePerCallUntilTheLookupIsSetUp)
{
    g_cddb.failing["RegisterUser"] = E_FAIL;
    EXPECT_FALSE(SetupCDDB());
    EXPECT_EQ(host.events, Lines{"user"});
    EXPECT_EQ(g_cddb.Calls(), (Lines{"create", "SetClientInfo client|tag|1.0|", "SetWindow window 2", "GetOptions",
                                     "SetLocalLookup 1", "SetProgressEvents 0", "SetOptions", "GetRegistration 0",
                                     "GetUserInfo", "SetUserName demo", "SetPassword secret", "RegisterUser"}));
    EXPECT_FALSE(Flag(L"IsLookupSetupOk"));

    g_cddb.failing.clear();
    g_cddb.acceptUser = false; // registered, but the component still knows no user
    g_cddb.Forget();
    EXPECT_FALSE(SetupCDDB());
    EXPECT_EQ(host.Count("user"), 2);
    EXPECT_EQ(g_cddb.Count("create"), 1); // a component without a user is made anew
    EXPECT_EQ(g_cddb.Calls().back(), "GetRegistration 0");

    g_cddb.acceptUser = true;
    host.user = L"second";
    g_cddb.Forget();
    EXPECT_TRUE(SetupCDDB());
    EXPECT_EQ(host.Count("user"), 3);
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
    EXPECT_EQ(host.Count("user"), 3);
}

// Three untagged files: a direct match, one that fails once and is retried, a
// candidate whose title is found in the path. A WAV file gets its progress too.
TEST_F(Lookup, UntaggedFilesAreFilledInWithProgressRetryAndCounts)
{
    g_cddb.registered = true;
    ASSERT_TRUE(SetupCDDB());
    EXPECT_TRUE(host.events.empty()); // a registered user: no question
    g_cddb.discs = {{" Band ", "First ", "(17)", {"Alpha", "Beta"}}, {"Other", "Second", "Rock", {"Nope", "Third"}}};
    g_cddb.answers["01 Alpha.mp3"] = {0, 1, false, 0};
    g_cddb.answers["02 Beta.mp3"] = {0, 2, false, 1};
    g_cddb.answers["Third Song.mp3"] = {1, 0, true, 0};
    Search({"01 Alpha.mp3", "02 Beta.mp3", "Third Song.mp3", "voice.wav"});

    EXPECT_TRUE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "progress 33", "error 80004005", "progress 66", "progress 100",
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

    host.retry = false;
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "progress 33", "error 80004005", "progress 100", "end 0 3"}));
    EXPECT_EQ(g_cddb.Count("IdentifyFile c.mp3"), 0);

    host.abortAt = [](LONG percent) { return percent == 33; };
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "progress 33", "progress 100", "end 0 3"}));
    EXPECT_EQ(g_cddb.Calls(), (Lines{"IdentifyFile a.mp3", "GetResultList"}));

    host.abortAt = [](LONG) { return false; };
    EXPECT_TRUE(RunLookup()); // b.mp3 fails no more
    EXPECT_EQ(host.events.back(), "end 2 3");
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events.back(), "end 0 1");
    EXPECT_EQ(g_cddb.Count("IdentifyFile"), 1); // a.mp3 only
    EXPECT_EQ(Saved()["b.mp3"], "B|Album|Band|12|1");

    g_cddb.answers["a.mp3"] = {0, 0, true, 0}; // a candidate whose track count cannot be read
    g_cddb.failing["GetCount"] = E_OUTOFMEMORY;
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "error 8007000e", "progress 100", "end 0 1"}));
    EXPECT_EQ(Saved()["a.mp3"], "|||-1|0"); // left as it was
}

// Not set up, the look-up still walks the catalogue: an empty one reports
// 100 % at once; WAV files count as visited but never as MP3 files. A host
// that quits meanwhile finds its quit message in its own loop afterwards.
TEST_F(Lookup, WithoutSetupTheWalkReportsAndChangesNothing)
{
    host.during = [](DISPID id) {
        if (id == L_START)
            PostQuitMessage(7);
    };
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "progress 100", "end 0 0"}));
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    host.during = nullptr;
    Search({"one.wav", "two.wav"});
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "progress 0", "progress 0", "progress 100", "end 0 0"}));
    Search({"x.mp3"});
    EXPECT_FALSE(RunLookup());
    EXPECT_EQ(host.events, (Lines{"start", "progress 0", "progress 0", "progress 100", "progress 100", "end 0 1"}));
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
    host.during = [&](DISPID id) {
        if (id == L_PROGRESS) {
            SetView(1041);
            SetView(1040);
        } else if (id == L_END) {
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
    Call save;
    Method(save, ctrl, L"SaveFile", {VStr(L"T:\\tree\\cache.snd")});
    const int searches = sink.Count(START);
    LONG loaded = 0;
    bool again = true;
    host.during = [&](DISPID id) {
        if (id != L_PROGRESS || !ax)
            return;
        Call begin, load, lookup;
        Method(begin, ctrl, L"BeginSearch");
        Method(load, ctrl, L"LoadFile", {VStr(L"T:\\tree\\cache.snd")});
        Method(lookup, ctrl, L"Lookup");
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
    EXPECT_EQ(host.events, (Lines{"start", "progress 33", "progress 100", "end 1 3"}));
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
        Call length;
        Method(length, ctrl, L"SetHideAudioLength", {VLong(ticks % 2 ? 0 : 500)});
        for (const auto& record : Saved())
            if (record.second != "|||-1|0" && record.second != "Song|" + album + "|" + artist + "|17|1")
                torn.push_back(record.first + " " + record.second);
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 1, OnTimer);
    EXPECT_TRUE(RunLookup());
    KillTimer(nullptr, timer);
    SetWindowLongPtrA(view, GWLP_WNDPROC, LONG_PTR(g_viewProc));
    Patterns(L"HideItems", {L"*.ogg"});
    Call length;
    Method(length, ctrl, L"SetHideAudioLength", {VLong(0)});

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
