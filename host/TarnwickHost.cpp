// TarnwickHost: a small container for the Tarnwick control. It hosts the
// control in a window through the system's ATL host window, gives every
// placeholder text an English one, accepts every file the control offers
// (with the playing time it computes from the file), logs every event and
// can save a picture of its window when the search has ended.
//
// usage: TarnwickHost [--style N] [--view ID] [--open ROW] [--ext PATTERN]... [--genres INI]
//                     [--cache FILE] [--screenshot FILE] [FOLDER]...
#include "AudioLength.h"
#include "ControlClient.h"
#include "EventSink.h"
#include "Png.h"
#include "control/TarnwickDispIds.h"
#include <windows.h>
#include <ocidl.h>
#include <commctrl.h>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const UINT WM_APP_START = WM_APP + 1;
const UINT_PTR TIMER_SHOT = 1;

struct Options {
    std::vector<std::string> folders;
    std::vector<std::string> patterns;
    std::string screenshot, cache, genres;
    long style = 2;
    long view = 0;
    int open = -1; // a row of the grouped view to click open after the search
};

Options g_opts;
HWND g_frame, g_ax;
IDispatch* g_ctrl;

std::wstring Wide(const std::string& s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    w.resize(w.size() - 1);
    return w;
}

std::string Narrow(BSTR s)
{
    if (!s)
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, s, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, s, -1, &out[0], n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

VARIANT Str(const std::string& s) { return StrArg(s); }
VARIANT Long(long value) { return LongArg(value); }
void Put(const wchar_t* name, VARIANT value) { InvokeByName(g_ctrl, name, DISPATCH_PROPERTYPUT, {value}); }
void Call(const wchar_t* name, std::vector<VARIANT> args = {}) { InvokeByName(g_ctrl, name, DISPATCH_METHOD, args); }

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
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
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
        case DISPID_TW_EVENT_ADDINGFILE: {
            std::string path = Narrow(a[4].bstrVal);
            std::string bytes;
            int32_t seconds = -1;
            if (ReadWhole(path, bytes)) {
                std::string ext = path.size() > 4 ? path.substr(path.size() - 4) : "";
                for (char& c : ext)
                    c = char(tolower(c));
                seconds = ext == ".mp3" ? Mp3Seconds(bytes) : ext == ".wav" ? WavSeconds(bytes) : -1;
            }
            std::string time = TimeText(seconds);
            SysFreeString(*a[2].pbstrVal);
            *a[2].pbstrVal = SysAllocString(Wide(time).c_str());
            SysFreeString(*a[3].pbstrVal);
            *a[3].pbstrVal = SysAllocString(Wide(std::to_string(bytes.size()) + " bytes").c_str());
            *a[1].plVal = seconds < 0 ? 0 : seconds;
            *a[0].pboolVal = VARIANT_TRUE;
            Log("AddingFile %s -> accepted, %s\n", path.c_str(), time.empty() ? "no time" : time.c_str());
            break;
        }
        case DISPID_TW_EVENT_ITEMDBLCLICK: Log("ItemDblClick %s\n", Narrow(a[0].bstrVal).c_str()); break;
        case DISPID_TW_EVENT_ENDSEARCH:
            Log("EndSearch tagged=%ld mp3=%ld\n", long(a[1].lVal), long(a[0].lVal));
            if (g_opts.view)
                Put(L"View", Long(g_opts.view));
            if (g_opts.open >= 0)
                ClickRow(g_opts.open);
            if (!g_opts.screenshot.empty())
                SetTimer(g_frame, TIMER_SHOT, 800, nullptr);
            break;
        case DISPID_TW_EVENT_STARTSEARCH: Log("StartSearch\n"); break;
        case DISPID_TW_EVENT_DOCOMMAND: Log("DoCommand %ld\n", long(a[0].lVal)); break;
        case DISPID_TW_EVENT_SEARCHPROGRESS: {
            Log("SearchProgress %d%% files=%ld left=%lds\n", a[3].iVal, long(a[2].lVal), long(a[1].lVal));
            char title[64];
            std::snprintf(title, sizeof title, "Tarnwick - %d%%", a[3].iVal);
            SetWindowTextA(g_frame, title);
            break;
        }
        case DISPID_TW_EVENT_DISABLEDVIEW: Log("DisabledView\n"); break;
        case DISPID_TW_EVENT_ITEMSSELECTED:
            Log("ItemsSelected files=%ld items=%ld\n", long(a[1].lVal), long(a[0].lVal));
            break;
        default: Log("event %ld\n", long(id)); break;
        }
    }
};

CEvents g_events;

void SetUpControl()
{
    Call(L"SetToolbarString", {Long(1), Str("&View")});
    Call(L"SetToolbarString", {Long(2), Str("&Scan")});
    Put(L"ColNameHeader", Str("Name"));
    Put(L"ColTimeHeader", Str("Time"));
    Put(L"ColTypeHeader", Str("Type"));
    Put(L"ColSourceHeader", Str("Path"));
    const char* views[] = {"Artist", "Album", "Genre", "Directory", "All files"};
    const char* unknown[] = {"Unknown artist", "Unknown album", "Unknown genre", "", ""};
    for (long i = 0; i < 5; ++i) {
        Call(L"SetViewString", {Long(i + 1), Str(views[i])});
        Call(L"SetUnknString", {Long(i + 1), Str(unknown[i])});
    }
    Call(L"SetContextMenuString", {Long(1), Str("Add track")});
    Call(L"SetContextMenuString", {Long(2), Str("Preview")});
    Put(L"StrNoFileFound", Str("No music found"));
    Put(L"TipText", Str("Press Scan to find the music on this computer."));
    Put(L"Style", Long(g_opts.style));
    if (!g_opts.genres.empty()) {
        Put(L"GenreIniFilePath", Str(g_opts.genres));
        Put(L"StrLang", Str("English"));
    }
    if (!g_opts.cache.empty())
        Put(L"CacheFile", Str(g_opts.cache));
    for (const std::string& folder : g_opts.folders)
        Call(L"AddSearch", {Str(folder), StringArrayArg(g_opts.patterns), Long(long(g_opts.patterns.size()))});
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        if (g_ax)
            MoveWindow(g_ax, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_APP_START:
        Call(L"BeginSearch");
        return 0;
    case WM_TIMER:
        if (wp == TIMER_SHOT) {
            KillTimer(hwnd, TIMER_SHOT);
            SaveScreenshot();
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
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
        if (arg == "--style" && hasValue)
            g_opts.style = std::atol(argv[++i]);
        else if (arg == "--view" && hasValue)
            g_opts.view = std::atol(argv[++i]);
        else if (arg == "--open" && hasValue)
            g_opts.open = std::atoi(argv[++i]);
        else if (arg == "--ext" && hasValue)
            g_opts.patterns.push_back(argv[++i]);
        else if (arg == "--screenshot" && hasValue)
            g_opts.screenshot = argv[++i];
        else if (arg == "--cache" && hasValue)
            g_opts.cache = argv[++i];
        else if (arg == "--genres" && hasValue)
            g_opts.genres = argv[++i];
        else if (arg.compare(0, 2, "--") == 0)
            return false;
        else
            g_opts.folders.push_back(arg);
    }
    if (g_opts.patterns.empty())
        g_opts.patterns = {"*.mp3", "*.wav"};
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseArgs(argc, argv)) {
        std::fprintf(stderr, "usage: TarnwickHost [--style N] [--view ID] [--open ROW] [--ext PATTERN]... [--genres INI] "
                             "[--cache FILE] [--screenshot FILE] [FOLDER]...\n");
        return 2;
    }
    OleInitialize(nullptr);
    HMODULE atl = LoadLibraryA("atl.dll");
    auto init = atl ? reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")))
                    : nullptr;
    auto getControl = atl ? reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
                                reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")))
                          : nullptr;
    if (!init || !getControl || !init()) {
        std::fprintf(stderr, "TarnwickHost: the ATL host window is not available\n");
        return 1;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "TarnwickHostFrame";
    RegisterClassA(&wc);
    g_frame = CreateWindowExA(0, wc.lpszClassName, "Tarnwick", WS_OVERLAPPEDWINDOW, 20, 20, 820, 520, nullptr,
                              nullptr, wc.hInstance, nullptr);
    RECT client;
    GetClientRect(g_frame, &client);
    g_ax = CreateWindowExA(0, "AtlAxWin", "Tarnwick.TarnwickCtrl.1", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                           client.bottom, g_frame, nullptr, wc.hInstance, nullptr);
    IUnknown* unknown = nullptr;
    if (!g_ax || FAILED(getControl(g_ax, &unknown)) ||
        FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&g_ctrl)))) {
        std::fprintf(stderr, "TarnwickHost: the control is not registered (regsvr32 Tarnwick.ocx)\n");
        return 1;
    }
    IConnectionPointContainer* cpc = nullptr;
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    if (SUCCEEDED(g_ctrl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc))) &&
        SUCCEEDED(cpc->FindConnectionPoint(DIID_TarnwickEvents, &cp)))
        cp->Advise(&g_events, &cookie);
    SetUpControl();
    ShowWindow(g_frame, SW_SHOW);
    UpdateWindow(g_frame);
    if (!g_opts.folders.empty())
        PostMessageA(g_frame, WM_APP_START, 0, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (cp) {
        cp->Unadvise(cookie);
        cp->Release();
    }
    if (cpc)
        cpc->Release();
    g_ctrl->Release();
    unknown->Release();
    OleUninitialize();
    return 0;
}
