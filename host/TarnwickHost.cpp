// TarnwickHost: a small music application around the Tarnwick control. It
// hosts the control in a window through the system's ATL host window, gives
// every placeholder text an English one, accepts every file the control
// offers (with the playing time it computes from the file) and logs every
// event. A status bar follows the search; a playlist pane beside the control
// takes the selection (the Add selection button, the context menu's commands)
// and files or tagged selection text dropped on it. With --lookup it sets up
// the CDDB component (as a demo user) and looks the untagged tracks up after
// the search. After the search it can walk through a few steps as a user
// would and save a picture of its window. Hot keys are on: Alt and the
// underlined letter of a toolbar button press it. With --dialog the control
// sits in a dialog between two buttons instead. With --unicode-names the
// control takes names in any script; the host keeps its own text in UTF-8
// either way, and logs it so. With --folder-search the folders given are
// searched as folders, with --watch-folders the control follows them after
// the search, and --copy-in copies an album into the first of them once the
// search is done, as a user would, before the steps.
//
// usage: TarnwickHost [--dialog] [--style N] [--view ID] [--open ROW] [--group ROW] [--sort COLUMN] [--select ROWS]
//                     [--ext PATTERN]... [--genres INI] [--cache FILE] [--lookup] [--extended-tags]
//                     [--unicode-names] [--folder-search] [--watch-folders] [--copy-in FOLDER]
//                     [--screenshot FILE] [FOLDER]...
#include "AudioLength.h"
#include "ControlClient.h"
#include "DialogHost.h"
#include "EventSink.h"
#include "HostKeys.h"
#include "PlaylistPane.h"
#include "Png.h"
#include "SearchStatus.h"
#include "control/TarnwickDispIds.h"
#include <windows.h>
#include <ocidl.h>
#include <commctrl.h>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const UINT WM_APP_START = WM_APP + 1;
const UINT WM_APP_LOOKUP = WM_APP + 2;
const UINT WM_APP_AFTER = WM_APP + 3;
const UINT_PTR TIMER_COPY = 2; // how long the host waits for a copied album to show
const UINT_PTR TIMER_STEP = 1;
const int ID_ADDSELECTION = 100, ID_PLAYLIST = 101, ID_FILTER = 102;
const int PANE_WIDTH = 270, BUTTON_HEIGHT = 26, GAP = 4;
const long VIEW_FILES = 1039;

struct Options {
    std::vector<std::string> folders;
    std::vector<std::string> patterns;
    std::string screenshot, cache, genres;
    long style = 2;
    long view = 0;
    int open = -1;           // a row of the grouped view to click open after the search
    int group = -1;          // a row of the shown view whose tagged text goes to the playlist
    std::string sort;        // a column of the file list to click
    std::vector<int> select; // rows of the shown list to select and add
    bool dialog = false;     // the control in a dialog between two buttons
    bool lookup = false;     // set up the CDDB component and look the untagged tracks up after the search
    bool extendedTags = false; // the control reads every tag format and times the files itself
    bool unicodeNames = false; // the control takes names outside the ANSI code page
    bool folderSearch = false;  // the folders given are searched as folders, not as drives
    bool watchFolders = false;  // the catalogue follows the files that come and go
    std::string copyIn;         // a folder copied into the first one searched, once the search is done
};

// What the host does after the search, one step a timer tick, as a user would.
enum Step { STEP_GROUP, STEP_SORT, STEP_SELECT, STEP_SCREENSHOT };

Options g_opts;
HWND g_frame, g_ax, g_addButton;
IDispatch* g_ctrl;
CPlaylistPane g_pane;
CSearchStatus g_status;
std::vector<Step> g_steps;
size_t g_nextStep;
bool g_bWaitingForCopy = false;

// The host's own text is UTF-8.
std::wstring Wide(const std::string& s) { return Widen(s, CP_UTF8); }
std::string Utf8(const wchar_t* text) { return Narrow(text, CP_UTF8); }

VARIANT Str(const std::string& s) { return StrArg(s); }
VARIANT Long(long value) { return LongArg(value); }
void Put(const wchar_t* name, VARIANT value) { InvokeByName(g_ctrl, name, DISPATCH_PROPERTYPUT, {value}); }
void Do(const wchar_t* name, std::vector<VARIANT> args = {}) { InvokeByName(g_ctrl, name, DISPATCH_METHOD, args); }

void Log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

bool ReadWhole(const std::string& path, std::string& bytes)
{
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    GetFileSizeEx(h, &size);
    bytes.assign(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    bool read = bytes.empty() || ReadFile(h, &bytes[0], DWORD(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(h);
    return read;
}

// Clicks a row of the list the control shows, as a person would.
void ClickRow(int row)
{
    HWND list = FindShownList(g_frame);
    RECT r = {};
    r.left = LVIR_LABEL;
    if (!list || !SendMessageA(list, LVM_GETITEMRECT, WPARAM(row), LPARAM(&r)))
        return;
    LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    Log("clicked row %d\n", row);
}

void SaveScreenshot()
{
    RECT r;
    GetClientRect(g_frame, &r);
    MapWindowPoints(g_frame, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    const uint8_t* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        rgb[i * 3] = px[i * 4 + 2];
        rgb[i * 3 + 1] = px[i * 4 + 1];
        rgb[i * 3 + 2] = px[i * 4];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    std::string png = EncodePng(rgb, uint32_t(w), uint32_t(h));
    std::ofstream(g_opts.screenshot, std::ios::binary).write(png.data(), std::streamsize(png.size()));
    Log("screenshot %s (%dx%d)\n", g_opts.screenshot.c_str(), w, h);
}

// Clicks the header of the shown list's column with this text: a press and a
// release posted at the middle of the column, as the mouse would.
void ClickColumn(const std::string& name)
{
    HWND list = FindShownList(g_frame);
    for (int i = 0, count = list ? CListView(list).ColumnCount() : 0; i < count; ++i) {
        if (name == CListView(list).ColumnText(i) && ClickListHeader(list, i, true)) {
            Log("clicked column %s\n", name.c_str());
            return;
        }
    }
    Log("no column %s\n", name.c_str());
}

// The paths of the selected files.
std::vector<std::string> SelectedPaths()
{
    SHORT count = 0;
    std::vector<std::string> paths = SelectedItems(g_ctrl, &count, CP_UTF8);
    Log("GetSelectedItems: %d paths\n", int(count));
    return paths;
}

void AddSelection()
{
    for (const std::string& path : SelectedPaths())
        g_pane.AddFile(path);
}

// The selection as tagged text, into the playlist the way a drop of that text goes.
void AddSelectionText()
{
    BSTR text = nullptr;
    VARIANT ok;
    VariantInit(&ok);
    InvokeByName(g_ctrl, L"GetSelectedItemsString", DISPATCH_METHOD, {VPtr(VT_BYREF | VT_BSTR, &text)}, &ok);
    std::string tagged = Utf8(text);
    SysFreeString(text);
    Log("GetSelectedItemsString: %s %s\n", ok.vt == VT_BOOL && ok.boolVal ? "TRUE" : "FALSE", tagged.c_str());
    VariantClear(&ok);
    g_pane.AddTaggedText(tagged);
}

void RunStep(Step step)
{
    HWND list = FindShownList(g_frame);
    switch (step) {
    case STEP_GROUP:
        if (list)
            CListView(list).Select({g_opts.group}, true);
        AddSelectionText();
        break;
    case STEP_SORT:
        Put(L"View", Long(VIEW_FILES));
        ClickColumn(g_opts.sort);
        break;
    case STEP_SELECT:
        if (list)
            CListView(list).Select(g_opts.select, true);
        SendMessageA(g_addButton, BM_CLICK, 0, 0);
        if (list) // the button took the focus; the selection shows best in a list that has it
            SetFocus(list);
        break;
    case STEP_SCREENSHOT:
        SaveScreenshot();
        DestroyWindow(g_frame);
        break;
    }
}

void PlanSteps()
{
    g_steps.clear();
    g_nextStep = 0;
    if (g_opts.group >= 0)
        g_steps.push_back(STEP_GROUP);
    if (!g_opts.sort.empty())
        g_steps.push_back(STEP_SORT);
    if (!g_opts.select.empty())
        g_steps.push_back(STEP_SELECT);
    if (!g_opts.screenshot.empty())
        g_steps.push_back(STEP_SCREENSHOT);
    if (!g_steps.empty())
        SetTimer(g_frame, TIMER_STEP, 800, nullptr);
}

// The view and the steps the host was asked for, once the search (and the look-up) are done.
void AfterSearch()
{
    if (g_opts.view)
        Put(L"View", Long(g_opts.view));
    if (g_opts.open >= 0)
        ClickRow(g_opts.open);
    PlanSteps();
}

// Copies a folder and what it holds into another, as a user copies an album
// into the music folder. False when nothing could be copied.
bool CopyFolder(const std::wstring& from, const std::wstring& to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool copied = false;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copied = CopyFolder(from + L"\\" + name, to + L"\\" + name) || copied;
        else
            copied = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) || copied;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return copied;
}

// The steps wait until the album copied into the library has shown (or a while has passed).
void CopyIn()
{
    const std::string& from = g_opts.copyIn;
    const std::string to = g_opts.folders.front() + from.substr(from.find_last_of('\\'));
    g_bWaitingForCopy = CopyFolder(Wide(from), Wide(to));
    Log("copied %s into %s: %s\n", from.c_str(), g_opts.folders.front().c_str(), g_bWaitingForCopy ? "done" : "failed");
    if (g_bWaitingForCopy)
        SetTimer(g_frame, TIMER_COPY, 15000, nullptr);
    else
        AfterSearch();
}

void AfterSearchAndCopy()
{
    if (!g_opts.copyIn.empty() && !g_opts.folders.empty())
        CopyIn();
    else
        AfterSearch();
}

// Lookup keeps answering messages, the events among them, until it is done.
void RunLookup()
{
    VARIANT changed;
    VariantInit(&changed);
    InvokeByName(g_ctrl, L"Lookup", DISPATCH_METHOD, {}, &changed);
    Log("Lookup: %s\n", changed.vt == VT_BOOL && changed.boolVal ? "TRUE" : "FALSE");
    LONG tagged = 0, mp3 = 0, music = 0;
    InvokeByName(g_ctrl, L"GetMusicCounts", DISPATCH_METHOD,
                 {VPtr(VT_BYREF | VT_I4, &tagged), VPtr(VT_BYREF | VT_I4, &mp3), VPtr(VT_BYREF | VT_I4, &music)});
    g_status.Ended(long(tagged), long(mp3), long(music));
}

void SetUpLookup()
{
    VARIANT ok;
    VariantInit(&ok);
    InvokeByName(g_ctrl, L"SetupCDDB", DISPATCH_METHOD, {Str("TarnwickHost"), Str("demo"), Str("1.0")}, &ok);
    Log("SetupCDDB: %s\n", ok.vt == VT_BOOL && ok.boolVal ? "TRUE" : "FALSE");
    VARIANT alive;
    VariantInit(&alive);
    InvokeByName(g_ctrl, L"IsLookupAlive", DISPATCH_PROPERTYGET, {}, &alive);
    Log("IsLookupAlive: %s\n", alive.vt == VT_BOOL && alive.boolVal ? "TRUE" : "FALSE");
}

// A file found: timed from its MPEG frames or WAV header unless the control
// timed it already, described by its size, and always accepted.
void OnAddingFile(VARIANTARG* a)
{
    std::string path = Utf8(a[4].bstrVal);
    std::string bytes;
    const bool read = ReadWhole(path, bytes);
    // With extended tags the control has timed the file already.
    std::string time = Utf8(*a[2].pbstrVal);
    const bool timed = !time.empty();
    if (!timed) {
        int32_t seconds = -1;
        if (read) {
            std::string ext = path.size() > 4 ? path.substr(path.size() - 4) : "";
            for (char& c : ext)
                c = char(tolower(c));
            seconds = ext == ".mp3" ? Mp3Seconds(bytes) : ext == ".wav" ? WavSeconds(bytes) : -1;
        }
        time = TimeText(seconds);
        SysFreeString(*a[2].pbstrVal);
        *a[2].pbstrVal = SysAllocString(Wide(time).c_str());
        *a[1].plVal = seconds < 0 ? 0 : seconds;
    }
    SysFreeString(*a[3].pbstrVal);
    *a[3].pbstrVal = SysAllocString(Wide(std::to_string(bytes.size()) + " bytes").c_str());
    *a[0].pboolVal = VARIANT_TRUE;
    Log("AddingFile %s -> accepted, %s%s\n", path.c_str(), time.empty() ? "no time" : time.c_str(),
        timed ? " (timed by the control)" : "");
}

// The search's end: the counts on the status bar, then the look-up or the steps after it.
void OnEndSearch(VARIANTARG* a)
{
    Log("EndSearch tagged=%ld mp3=%ld\n", long(a[1].lVal), long(a[0].lVal));
    g_status.Ended(long(a[1].lVal), long(a[0].lVal), long(MusicCounts(g_ctrl)[2]));
    if (g_opts.lookup) // once the search's worker is gone: a look-up never runs beside it
        PostMessageA(g_frame, WM_APP_LOOKUP, 0, 0);
    else
        AfterSearchAndCopy();
}

// The host's answers to the control's events.
class CEvents : public CEventSink {
public:
    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        if (int(dp->cArgs) != TwEventArgCount(id)) { // the arguments are read by position
            Log("event %ld with %u arguments\n", long(id), dp->cArgs);
            return;
        }
        VARIANTARG* a = dp->rgvarg; // last argument first
        switch (id) {
        case DISPID_TW_EVENT_ADDINGFILE: OnAddingFile(a); break;
        case DISPID_TW_EVENT_ITEMDBLCLICK: Log("ItemDblClick %s\n", Utf8(a[0].bstrVal).c_str()); break;
        case DISPID_TW_EVENT_ENDSEARCH: OnEndSearch(a); break;
        case DISPID_TW_EVENT_STARTSEARCH:
            Log("StartSearch\n");
            g_status.Started();
            break;
        case DISPID_TW_EVENT_DOCOMMAND:
            Log("DoCommand %ld\n", long(a[0].lVal));
            if (a[0].lVal == 1) // add track
                AddSelection();
            else if (a[0].lVal == 2) // preview track: this host only names it
                for (const std::string& path : SelectedPaths())
                    Log("preview %s\n", path.c_str());
            break;
        case DISPID_TW_EVENT_SEARCHPROGRESS:
            Log("SearchProgress %d%% files=%ld left=%lds\n", a[3].iVal, long(a[2].lVal), long(a[1].lVal));
            g_status.Progress(a[3].iVal, long(a[2].lVal), long(a[1].lVal));
            break;
        case DISPID_TW_EVENT_DISABLEDVIEW: Log("DisabledView\n"); break;
        case DISPID_TW_EVENT_GETUSERINFO:
            SysFreeString(*a[1].pbstrVal);
            SysFreeString(*a[0].pbstrVal);
            *a[1].pbstrVal = SysAllocString(L"demo");
            *a[0].pbstrVal = SysAllocString(L"demo");
            Log("GetUserInfo -> demo\n");
            break;
        case DISPID_TW_EVENT_STARTLOOKUP: Log("StartLookup\n"); break;
        case DISPID_TW_EVENT_LOOKUPPROGRESS: Log("LookupProgress %d%%\n", a[1].iVal); break;
        case DISPID_TW_EVENT_LOOKUPERROR: // a demo does not insist: the look-up ends
            Log("LookupError 0x%08lx -> stop\n", static_cast<unsigned long>(a[1].lVal));
            *a[0].pboolVal = VARIANT_FALSE;
            break;
        case DISPID_TW_EVENT_ENDLOOKUP:
            Log("EndLookup updated=%ld untagged=%ld\n", long(a[1].lVal), long(a[0].lVal));
            break;
        case DISPID_TW_EVENT_ITEMSSELECTED:
            Log("ItemsSelected files=%ld items=%ld\n", long(a[1].lVal), long(a[0].lVal));
            break;
        case DISPID_TW_EVENT_CATALOGUECHANGED:
            Log("CatalogueChanged added=%ld removed=%ld changed=%ld\n", long(a[2].lVal), long(a[1].lVal),
                long(a[0].lVal));
            {
                std::vector<LONG> counts = MusicCounts(g_ctrl);
                g_status.Ended(long(counts[0]), long(counts[1]), long(counts[2]));
            }
            if (g_bWaitingForCopy) // the steps go on outside the event
                PostMessageA(g_frame, WM_APP_AFTER, 0, 0);
            break;
        default: Log("event %ld\n", long(id)); break;
        }
    }
};

CEvents g_events;

void SetUpControl()
{
    Do(L"SetToolbarString", {Long(1), Str("&View")});
    Do(L"SetToolbarString", {Long(2), Str("&Scan")});
    Do(L"EnableHotKeyForVB");
    Put(L"ColNameHeader", Str("Name"));
    Put(L"ColTimeHeader", Str("Time"));
    Put(L"ColTypeHeader", Str("Type"));
    Put(L"ColSourceHeader", Str("Path"));
    const char* views[] = {"Artist", "Album", "Genre", "Directory", "All files"};
    const char* unknown[] = {"Unknown artist", "Unknown album", "Unknown genre", "", ""};
    for (long i = 0; i < 5; ++i) {
        Do(L"SetViewString", {Long(i + 1), Str(views[i])});
        Do(L"SetUnknString", {Long(i + 1), Str(unknown[i])});
    }
    Do(L"SetContextMenuString", {Long(1), Str("Add to playlist")});
    Do(L"SetContextMenuString", {Long(2), Str("Preview")});
    Put(L"StrNoFileFound", Str("No music found"));
    Put(L"TipText", Str("Press Scan to find the music on this computer."));
    if (g_opts.unicodeNames) // first: the paths and the language below are names
        Put(L"UnicodeNames", Long(1));
    Put(L"Style", Long(g_opts.style));
    if (!g_opts.genres.empty()) {
        Put(L"GenreIniFilePath", Str(g_opts.genres));
        Put(L"StrLang", Str("English"));
    }
    if (!g_opts.cache.empty())
        Put(L"CacheFile", Str(g_opts.cache));
    if (g_opts.extendedTags)
        Put(L"ExtendedTags", Long(1));
    if (g_opts.folderSearch) // before the folders are named
        Put(L"FolderSearch", Long(1));
    if (g_opts.watchFolders)
        Put(L"WatchFolders", Long(1));
    for (const std::string& folder : g_opts.folders)
        Do(L"AddSearch", {Str(folder), StringArrayArg(g_opts.patterns), Long(long(g_opts.patterns.size()))});
}

HWND g_filterBox = nullptr;

// Each letter typed in the filter box narrows the control's lists at once.
void FilterTyped()
{
    const int length = GetWindowTextLengthW(g_filterBox);
    std::wstring text(size_t(length) + 1, L'\0');
    GetWindowTextW(g_filterBox, &text[0], length + 1);
    text.resize(size_t(length));
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    Put(L"FilterText", v);
}

// The control on the left, the filter box, the Add selection button and the
// playlist on the right, the status bar along the bottom. Answers the control's place.
RECT Layout()
{
    RECT r;
    GetClientRect(g_frame, &r);
    if (!g_status.Handle())
        return r;
    r.bottom -= g_status.Layout();
    r.right -= PANE_WIDTH;
    if (g_ax)
        MoveWindow(g_ax, 0, 0, r.right, r.bottom, TRUE);
    MoveWindow(g_filterBox, r.right + GAP, GAP, PANE_WIDTH - 2 * GAP, BUTTON_HEIGHT - 4, TRUE);
    MoveWindow(g_addButton, r.right + GAP, 2 * GAP + BUTTON_HEIGHT - 4, PANE_WIDTH - 2 * GAP, BUTTON_HEIGHT, TRUE);
    int top = 3 * GAP + 2 * BUTTON_HEIGHT - 4;
    MoveWindow(g_pane.Handle(), r.right + GAP, top, PANE_WIDTH - 2 * GAP, r.bottom - top - GAP, TRUE);
    return r;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_APP_START:
        Do(L"BeginSearch");
        return 0;
    case WM_APP_LOOKUP:
        RunLookup();
        AfterSearchAndCopy();
        return 0;
    case WM_APP_AFTER:
        if (g_bWaitingForCopy) {
            g_bWaitingForCopy = false;
            KillTimer(hwnd, TIMER_COPY);
            AfterSearch();
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == ID_ADDSELECTION && HIWORD(wp) == BN_CLICKED)
            AddSelection();
        if (LOWORD(wp) == ID_FILTER && HIWORD(wp) == EN_CHANGE)
            FilterTyped();
        return 0;
    case WM_TIMER:
        if (wp == TIMER_COPY) {
            Log("the copied album did not show\n");
            PostMessageA(hwnd, WM_APP_AFTER, 0, 0);
        }
        if (wp == TIMER_STEP) {
            if (g_nextStep + 1 >= g_steps.size())
                KillTimer(hwnd, TIMER_STEP);
            if (g_nextStep < g_steps.size())
                RunStep(g_steps[g_nextStep++]);
        }
        return 0;
    case WM_DESTROY:
        g_pane.Revoke();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

bool ParseArgs(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--dialog")
            g_opts.dialog = true;
        else if (arg == "--style" && hasValue)
            g_opts.style = std::atol(argv[++i]);
        else if (arg == "--view" && hasValue)
            g_opts.view = std::atol(argv[++i]);
        else if (arg == "--open" && hasValue)
            g_opts.open = std::atoi(argv[++i]);
        else if (arg == "--group" && hasValue)
            g_opts.group = std::atoi(argv[++i]);
        else if (arg == "--sort" && hasValue)
            g_opts.sort = argv[++i];
        else if (arg == "--select" && hasValue) {
            std::istringstream rows(argv[++i]);
            for (std::string row; std::getline(rows, row, ',');)
                g_opts.select.push_back(std::atoi(row.c_str()));
        }
        else if (arg == "--ext" && hasValue)
            g_opts.patterns.push_back(argv[++i]);
        else if (arg == "--screenshot" && hasValue)
            g_opts.screenshot = argv[++i];
        else if (arg == "--cache" && hasValue)
            g_opts.cache = argv[++i];
        else if (arg == "--genres" && hasValue)
            g_opts.genres = argv[++i];
        else if (arg == "--lookup")
            g_opts.lookup = true;
        else if (arg == "--extended-tags")
            g_opts.extendedTags = true;
        else if (arg == "--folder-search")
            g_opts.folderSearch = true;
        else if (arg == "--watch-folders")
            g_opts.watchFolders = true;
        else if (arg == "--copy-in" && hasValue)
            g_opts.copyIn = argv[++i];
        else if (arg == "--unicode-names")
            g_opts.unicodeNames = true;
        else if (arg.compare(0, 2, "--") == 0)
            return false;
        else
            g_opts.folders.push_back(arg);
    }
    if (g_opts.patterns.empty())
        g_opts.patterns = {"*.mp3", "*.wav"};
    return true;
}

// The frame, in a window or a dialog, with the control's container window in
// it; beside the control the Add selection button, the playlist and the status bar.
bool CreateFrame()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "TarnwickHostFrame";
    RegisterClassA(&wc);
    if (g_opts.dialog) {
        g_frame = CreateControlDialog(wc.hInstance, L"Tarnwick.TarnwickCtrl.1", FrameProc);
        g_ax = GetDlgItem(g_frame, ID_DIALOG_CONTROL);
    } else {
        g_frame = CreateWindowExA(0, wc.lpszClassName, "Tarnwick", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                                  1080, 560, nullptr, nullptr, wc.hInstance, nullptr);
        HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
        g_addButton = CreateWindowExA(0, "BUTTON", "Add selection", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                      0, 0, 0, 0, g_frame, reinterpret_cast<HMENU>(INT_PTR(ID_ADDSELECTION)),
                                      wc.hInstance, nullptr);
        g_filterBox = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                      0, 0, 0, 0, g_frame, reinterpret_cast<HMENU>(INT_PTR(ID_FILTER)),
                                      wc.hInstance, nullptr);
        if (!g_pane.Create(g_frame, ID_PLAYLIST) || !g_status.Create(g_frame)) {
            std::fprintf(stderr, "TarnwickHost: the playlist or the status bar could not be made\n");
            return false;
        }
        for (HWND child : {g_filterBox, g_addButton, g_pane.Handle(), g_status.Handle()})
            SendMessageA(child, WM_SETFONT, WPARAM(font), FALSE);
        // Created at its full size: the control sizes its columns to the window it gets.
        // A control parent, so Tab walks through the control's toolbar and list.
        RECT place = Layout();
        g_ax = CreateWindowExA(WS_EX_CONTROLPARENT, "AtlAxWin", "Tarnwick.TarnwickCtrl.1", WS_CHILD | WS_VISIBLE, 0,
                               0, place.right, place.bottom, g_frame, nullptr, wc.hInstance, nullptr);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseArgs(argc, argv)) {
        std::fprintf(stderr, "usage: TarnwickHost [--dialog] [--style N] [--view ID] [--open ROW] [--group ROW] [--sort COLUMN] "
                             "[--select ROWS] [--ext PATTERN]... [--genres INI] [--cache FILE] [--lookup] [--extended-tags] [--unicode-names] "
                             "[--folder-search] [--watch-folders] [--copy-in FOLDER] "
                             "[--screenshot FILE] "
                             "[FOLDER]...\n");
        return 2;
    }
    OleInitialize(nullptr); // for the playlist's drop target too
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    if (!InitAtlHosting()) {
        std::fprintf(stderr, "TarnwickHost: the ATL host window is not available\n");
        return 1;
    }
    if (!CreateFrame())
        return 1;
    if (!(g_ctrl = HostedControl(g_ax))) {
        std::fprintf(stderr, "TarnwickHost: the control is not registered (regsvr32 Tarnwick.ocx)\n");
        return 1;
    }
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    AdviseEvents(g_ctrl, DIID_TarnwickEvents, &g_events, &cp, &cookie);
    SetUpControl();
    if (g_opts.lookup)
        SetUpLookup();
    ShowWindow(g_frame, SW_SHOW);
    UpdateWindow(g_frame);
    if (!g_opts.folders.empty())
        PostMessageA(g_frame, WM_APP_START, 0, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (TranslateHostKey(msg, g_ctrl, g_ax, g_frame))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (cp) {
        cp->Unadvise(cookie);
        cp->Release();
    }
    g_ctrl->Release();
    OleUninitialize();
    return 0;
}
