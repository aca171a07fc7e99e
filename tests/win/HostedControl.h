// A control hosted as a real host does it: in Wine's ATL container window, with
// real folder trees on drive T: (a folder of the build tree) and a sink that
// answers the events. Shared by the search, view and host-fault tests.
#pragma once
#include "ControlHost.h"
#include "../core/TagFiles.h"
#include "../core/TestFs.h"
#include "control/TarnwickDispIds.h"
#include "host/ControlClient.h"
#include "host/EventSink.h"
#include <algorithm>
#include <cstdio>
#include <commctrl.h>
#include <functional>
#include <set>
#include <olectl.h>

inline const IID& DIID_Events = DIID_TarnwickEvents;
enum : DISPID {
    ADDING = DISPID_TW_EVENT_ADDINGFILE,
    DBLCLICK = DISPID_TW_EVENT_ITEMDBLCLICK,
    END = DISPID_TW_EVENT_ENDSEARCH,
    START = DISPID_TW_EVENT_STARTSEARCH,
    PROGRESS = DISPID_TW_EVENT_SEARCHPROGRESS,
    DISABLED = DISPID_TW_EVENT_DISABLEDVIEW,
    SELECTED = DISPID_TW_EVENT_ITEMSSELECTED,
    COMMAND = DISPID_TW_EVENT_DOCOMMAND,
    CHANGED = DISPID_TW_EVENT_CATALOGUECHANGED,
};

struct Event {
    DISPID id;
    std::string path;   // AddingFile
    std::wstring wide = {}; // AddingFile: the path as the host got it
    std::string time = {}; // AddingFile: the time text offered
    LONG a = 0, b = 0, c = 0; // AddingFile (length offered), EndSearch (tagged, total),
                              // SearchProgress (percent, count, seconds), DoCommand,
                              // CatalogueChanged (added, removed, changed)
};

// The host's side of the events.
class CHostSink : public CEventSink {
public:
    std::vector<Event> events;
    std::function<bool(const std::string&)> accept = [](const std::string&) { return true; };
    std::function<std::wstring(const std::string&)> timeOf = [](const std::string&) { return L"3:00"; };
    std::function<std::wstring(const std::string&)> infoOf = [](const std::string&) { return L""; };
    // Extended tags offer the length and time the reader found; an answer
    // may leave them as offered.
    bool blankOffers = true;
    std::function<bool(const std::string&)> keepOffered = [](const std::string&) { return false; };
    std::function<void(const std::string&)> onAdding;
    std::function<bool(const Event&)> abortOn;
    std::function<void(const Event&)> after; // any event, once recorded

    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        Event e{id, ""};
        VARIANTARG* arg = dp->rgvarg; // last argument first
        if (id == ADDING && dp->cArgs == 5) {
            e.path = Narrow(arg[4].bstrVal);
            e.wide = arg[4].bstrVal ? arg[4].bstrVal : L"";
            e.a = *arg[1].plVal;
            e.time = Narrow(*arg[2].pbstrVal);
            EXPECT_EQ(*arg[0].pboolVal, VARIANT_FALSE); // bAddOk arrives FALSE
            if (blankOffers) {
                EXPECT_EQ(e.a, 0);
                EXPECT_EQ(e.time, "");
            }
            if (onAdding)
                onAdding(e.path);
            if (accept(e.path)) {
                *arg[0].pboolVal = VARIANT_TRUE;
                if (!keepOffered(e.path)) {
                    *arg[1].plVal = 180;
                    SysFreeString(*arg[2].pbstrVal);
                    *arg[2].pbstrVal = SysAllocString(timeOf(e.path).c_str());
                }
                SysFreeString(*arg[3].pbstrVal);
                *arg[3].pbstrVal = SysAllocString(infoOf(e.path).c_str());
            }
        } else if (id == COMMAND && dp->cArgs == 1) {
            VARIANT v;
            VariantInit(&v);
            if (SUCCEEDED(VariantChangeType(&v, &arg[0], 0, VT_I4)))
                e.a = v.lVal;
        } else if (id == DBLCLICK && dp->cArgs == 1) {
            e.path = Narrow(arg[0].bstrVal);
        } else if ((id == END || id == SELECTED) && dp->cArgs == 2) {
            e.a = arg[1].lVal;
            e.b = arg[0].lVal;
        } else if (id == CHANGED && dp->cArgs == 3) {
            e.a = arg[2].lVal;
            e.b = arg[1].lVal;
            e.c = arg[0].lVal;
        } else if (id == PROGRESS && dp->cArgs == 4) {
            e.a = arg[3].iVal;
            e.b = arg[2].lVal;
            e.c = arg[1].lVal;
            if (abortOn && abortOn(e))
                *arg[0].pboolVal = VARIANT_TRUE;
        } else if (int(dp->cArgs) == TwEventArgCount(id)) {
            OnLookupEvent(e.id, arg);
        }
        events.push_back(e);
        if (after)
            after(e);
    }

    // The look-up's events, each as a line: "start", "progress 33", "error
    // 80004005", "user", and "end 1 3" (records filled in, untagged MP3 files
    // at the start); and the answers this host gives.
    std::vector<std::string> lookup;
    std::wstring user = L"demo", password = L"secret";
    bool retry = true;
    std::function<bool(LONG percent)> abortLookupAt = [](LONG) { return false; };
    void OnLookupEvent(DISPID id, VARIANTARG* arg)
    {
        char line[64];
        switch (id) {
        case DISPID_TW_EVENT_STARTLOOKUP: snprintf(line, sizeof line, "start"); break;
        case DISPID_TW_EVENT_GETUSERINFO:
            EXPECT_EQ(SysStringLen(*arg[1].pbstrVal) + SysStringLen(*arg[0].pbstrVal), 0u); // both arrive empty
            SysFreeString(*arg[1].pbstrVal);
            SysFreeString(*arg[0].pbstrVal);
            *arg[1].pbstrVal = SysAllocString(user.c_str());
            *arg[0].pbstrVal = SysAllocString(password.c_str());
            snprintf(line, sizeof line, "user");
            break;
        case DISPID_TW_EVENT_LOOKUPPROGRESS:
            EXPECT_EQ(*arg[0].pboolVal, VARIANT_FALSE);
            snprintf(line, sizeof line, "progress %d", arg[1].iVal);
            if (abortLookupAt(arg[1].iVal))
                *arg[0].pboolVal = VARIANT_TRUE;
            break;
        case DISPID_TW_EVENT_LOOKUPERROR:
            EXPECT_EQ(*arg[0].pboolVal, VARIANT_TRUE); // bRetry arrives TRUE
            snprintf(line, sizeof line, "error %08lx", static_cast<unsigned long>(arg[1].lVal));
            *arg[0].pboolVal = retry ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case DISPID_TW_EVENT_ENDLOOKUP:
            snprintf(line, sizeof line, "end %ld %ld", long(arg[1].lVal), long(arg[0].lVal));
            break;
        default: return;
        }
        lookup.push_back(line);
    }

    int Count(DISPID id) const
    {
        return int(std::count_if(events.begin(), events.end(), [id](const Event& e) { return e.id == id; }));
    }
    std::vector<std::string> Offered() const
    {
        std::vector<std::string> paths;
        for (const Event& e : events)
            if (e.id == ADDING)
                paths.push_back(e.path);
        return paths;
    }
    const Event* Last(DISPID id) const
    {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->id == id)
                return &*it;
        return nullptr;
    }
};

// A control the ATL container window makes by ProgID and activates in place, at x on the frame.
inline IDispatch* ByProgId(HWND frame, int x, int width, HWND* ax) { return HostByProgId(frame, x, 0, width, 300, ax); }

// Connects the sink to the control's events; the connection point is kept for the caller.
inline bool Advise(IDispatch* ctrl, IDispatch* sink, IConnectionPoint** cp, DWORD* cookie = nullptr)
{
    DWORD unused = 0;
    return AdviseEvents(ctrl, DIID_Events, sink, cp, cookie ? cookie : &unused);
}

// One more control on the host's frame, with a sink of its own. Made by the
// container from the ProgID, or made first and placed afterwards.
struct CHosted {
    HWND ax = nullptr;
    IDispatch* ctrl = nullptr;
    IConnectionPoint* cp = nullptr;
    IUnknown* container = nullptr; // the site of a control placed after it was made
    CHostSink sink;

    // Places a control the host has already made (and maybe configured); null: the container makes one.
    bool Open(HWND frame, int x, IDispatch* made = nullptr)
    {
        if (!made)
            return (ctrl = ByProgId(frame, x, 200, &ax)) != nullptr && Advise(ctrl, &sink, &cp);
        ax = CreateWindowExA(0, "AtlAxWin", "", WS_CHILD | WS_VISIBLE, x, 0, 200, 300, frame, nullptr, nullptr,
                             nullptr);
        if (!ax || FAILED(AttachToHost(made, ax, &container)) || !container) // no container asked for: nothing happens
            return false;
        ctrl = made;
        return Advise(ctrl, &sink, &cp);
    }
    // What a host does when it closes: the container goes, then its own references.
    void Close()
    {
        if (ax)
            DestroyWindow(ax);
        ax = nullptr;
        Drop(cp);
        Drop(ctrl);
        Drop(container);
    }
    ~CHosted() { Close(); }
};

// A property as a control loaded from this one's saved properties reads it.
inline Call ReloadedGet(IDispatch* ctrl, const wchar_t* property)
{
    IStream* saved = SavedStream(ctrl);
    IDispatch* loaded = saved ? LoadedControl(saved) : nullptr;
    if (saved)
        saved->Release();
    Call c = loaded ? Get(loaded, property) : Call();
    Drop(loaded);
    return c;
}

// Answers messages until the condition holds or the time (30 s unless told) passes.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 30000)
{
    DWORD start = GetTickCount();
    MSG msg;
    while (!done() && GetTickCount() - start < ms) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
    return done();
}

inline bool HeapsAreSound()
{
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < n && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr))
            return false;
    return true;
}

class Search : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        ASSERT_TRUE(InitAtlHosting());
        if (GetFileAttributesA("T:\\") == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "drive T: is not mapped to a test folder";
        RemoveTestFolder("T:\\tree");
        CreateDirectoryA("T:\\tree", nullptr);
        frame = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 320, nullptr,
                                nullptr, nullptr, nullptr);
        // The container creates the control by ProgID and activates it in place.
        ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK);
        ctrl = ByProgId(frame, 0, 400, &ax);
        ASSERT_NE(ctrl, nullptr);
        ASSERT_TRUE(Advise(ctrl, &sink, &cp, &cookie));
    }

    void TearDown() override
    {
        if (cp) {
            cp->Unadvise(cookie);
            cp->Release();
        }
        if (frame)
            DestroyWindow(frame);
        Drop(ctrl);
        Pump(50);
        RemoveTestFolder("T:\\tree");
        CoUninitialize();
    }

    // Answers messages for a while, as the host's message loop would.
    static void Pump(DWORD ms) { PumpUntil([] { return false; }, ms); }

    // Runs the message loop until the search ends (or 30 s pass).
    bool RunSearch()
    {
        EXPECT_EQ(Method(ctrl, L"BeginSearch").hr, S_OK);
        const int before = sink.Count(END);
        PumpUntil([&] { return sink.Count(END) > before; });
        Pump(20); // the worker's last moments
        return sink.Count(END) > before;
    }

    // HideItems or GetItemsFoundCount with a string array.
    void Patterns(const wchar_t* method, std::vector<const wchar_t*> items)
    {
        Method(ctrl, method, {VStrings(items)});
    }

    void AddSearch(const wchar_t* volume, std::vector<const wchar_t*> patterns)
    {
        EXPECT_TRUE(Method(ctrl, L"AddSearch", {VStr(volume), VStrings(patterns), VShort(SHORT(patterns.size()))}).Bool());
    }

    HWND frame = nullptr, ax = nullptr;
    IDispatch* ctrl = nullptr;
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    CHostSink sink;
};


class Views : public Search {
protected:
    void SetUp() override
    {
        Search::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        Put(ctrl, L"Style", VLong(2));
    }
    HWND Shown() { return FindShownList(ax); }
    static std::string Cell(HWND list, int item, int column) { return CListView(list).ItemText(item, column); }
    // Each row as its indent in blanks and its text.
    static std::vector<std::string> Rows(HWND list)
    {
        std::vector<std::string> rows;
        for (int i = 0, n = CListView(list).ItemCount(); i < n; ++i)
            rows.push_back(std::string(size_t(CListView(list).Indent(i)) * 2, ' ') + Cell(list, i, 0));
        return rows;
    }
    // The index of the row showing this text (its indent aside).
    static int Find(HWND list, const std::string& text)
    {
        std::vector<std::string> rows = Rows(list);
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].substr(rows[i].find_first_not_of(' ')) == text)
                return int(i);
        ADD_FAILURE() << "no row " << text;
        return -1;
    }
    // Selects exactly these rows, as a user's clicks would.
    static void Select(HWND list, const std::vector<std::string>& texts)
    {
        std::vector<int> rows;
        for (const std::string& text : texts)
            rows.push_back(Find(list, text));
        CListView(list).Select(rows);
    }
    static void Click(HWND list, int item, UINT down = WM_LBUTTONDOWN)
    {
        RECT r;
        ASSERT_TRUE(CListView(list).ItemRect(item, r)) << item;
        LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
        SendMessageA(list, down, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
    }
    static void Key(HWND list, WPARAM vk)
    {
        SendMessageA(list, WM_KEYDOWN, vk, 1);
        SendMessageA(list, WM_KEYUP, vk, 0xC0000001);
    }
    // Presses the View button with these keys queued for its menu; the view after.
    LONG ChooseView(std::vector<WPARAM> keys)
    {
        HWND files = Shown();
        for (WPARAM vk : keys)
            PostMessageA(files, WM_KEYDOWN, vk, 0);
        SendMessageA(GetParent(files), WM_COMMAND, MAKEWPARAM(32768, BN_CLICKED), 0);
        return Get(ctrl, L"View").Long();
    }
    void SetView(long view)
    {
        Put(ctrl, L"View", VLong(view));
    }
    // A cell read in UTF-16, whatever the control's text.
    static std::wstring WideCell(HWND list, int item, int column)
    {
        wchar_t text[512] = {};
        LVITEMW lv = {};
        lv.iSubItem = column;
        lv.pszText = text;
        lv.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(item), LPARAM(&lv));
        return text;
    }
    static std::vector<std::wstring> WideRows(HWND list, int column = 0)
    {
        std::vector<std::wstring> rows;
        for (int i = 0, n = CListView(list).ItemCount(); i < n; ++i)
            rows.push_back(WideCell(list, i, column));
        return rows;
    }
    // Six MP3 files named in six scripts, one name outside the Basic
    // Multilingual Plane, one file in a folder with a Cyrillic name. Each
    // artist is its name up to the dot; the Latin-1 one has only an ID3v1
    // tag, in the code page, the others ID3v2 in UTF-16.
    static std::vector<std::wstring> MixedNames()
    {
        return {L"Пётр - Песня.mp3", L"東京の夜.mp3", L"Мир\\Ελληνικά.mp3", L"Café.mp3", L"plain.mp3",
                L"\U0001D11E Clef.mp3"};
    }
    void WriteMixedFolder()
    {
        CreateDirectoryW(L"T:\\tree\\Мир", nullptr);
        for (const std::wstring& name : MixedNames()) {
            std::wstring base = name.substr(name.find(L'\\') + 1);
            std::u16string artist(base.begin(), base.begin() + long(base.find(L'.')));
            std::string bytes = name == L"Café.mp3" ? Mp3WithTag("Caf\xE9 Song", "Caf\xE9", "Caf\xE9 Album", 0)
                                                   : Id3v2Tag(3, {{"TIT2", Utf16Text(u"Песня")},
                                                                  {"TPE1", Utf16Text(artist)},
                                                                  {"TALB", Utf16Text(u"Альбом")},
                                                                  {"TCON", Latin1Text("(17)")}}) +
                                                         MpegFrames(40);
            HANDLE h = CreateFileW((L"T:\\tree\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   0, nullptr);
            DWORD n;
            WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
            CloseHandle(h);
        }
    }
    // The folder searched with UnicodeNames and ExtendedTags on; the host
    // names each file's info in Cyrillic.
    void SearchMixedFolder()
    {
        WriteMixedFolder();
        ASSERT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
        ASSERT_EQ(Put(ctrl, L"ExtendedTags", VBool(true)).hr, S_OK);
        sink.blankOffers = false;
        sink.infoOf = [](const std::string&) { return L"Инфо"; };
        AddSearch(L"T:\\tree", {L"*.mp3"});
        ASSERT_TRUE(RunSearch());
    }

    // Two artists, a file without a tag and a WAV clip.
    void SearchLibrary()
    {
        CreateDirectoryA("T:\\tree\\x", nullptr);
        Write("T:\\tree\\a.mp3", Mp3WithTag("A", "Band", "First", 0));
        Write("T:\\tree\\x\\b.mp3", Mp3WithTag("B", "band", "First", 0));
        Write("T:\\tree\\c.mp3", Mp3WithTag("C", "Other", "Second", 0));
        Write("T:\\tree\\d.mp3", "untagged");
        Write("T:\\tree\\e.wav", "RIFF");
        AddSearch(L"T:\\tree", {L"*.mp3", L"*.wav"});
        ASSERT_TRUE(RunSearch());
    }
};

