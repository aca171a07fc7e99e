// tw_soak DRIVE [MINUTES] [SEED]: two controls in the system's ATL container window,
// driven at random for MINUTES minutes by automation calls with meant and
// hostile arguments, user input, searches, cache files and look-ups, by a
// host that calls back, lets go or closes the window from inside events,
// and by files that come, change and go under the roots they may watch.
// Prints calls, events and the process's memory; at the first crash or
// damaged heap it prints the seed and the last calls and ends with code 3.
#include "host/EventSink.h"
#include "SoakArgs.h"
#include "SoakDisk.h"
#include "SoakInput.h"
#include "SoakLog.h"
#include "SoakMemory.h"
#include "control/TarnwickDispIds.h"
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace soak;

namespace {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
AtlAxGetControlFn g_getControl = nullptr;
HWND g_frame = nullptr;
int g_depth = 0; // events inside events
const int kSlots = 2;
uint64_t g_opens = 0;

// Where the run's time goes: each kind of step, and each member called.
enum Kind { CALL, DISK, INPUT, SEARCH, CACHE, LOOKUP, CLOSE, OPEN, HEAPS, STATUS, KINDS };
const char* const kKindNames[KINDS] = {"calls",  "disk",  "input",       "searches", "cache files",
                                       "look-ups", "closes", "opens", "heap checks", "status"};
struct Spent {
    uint64_t n = 0;
    double ms = 0;
};
Spent g_spent[KINDS];
std::map<const wchar_t*, Spent> g_members;

double NowMs()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// One place on the frame and the control in it, when there is one.
struct Slot {
    HWND ax = nullptr;
    IDispatch* ctrl = nullptr;
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
};
Slot g_slots[kSlots];

void Close(int i, const char* why);
void CallOn(int i, bool hostile);

// The host's side of one control's events.
class CSink : public CEventSink {
public:
    int slot = 0;
    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        ++g_events;
        VARIANTARG* arg = dp->rgvarg; // last argument first
        if (id == DISPID_TW_EVENT_ADDINGFILE && dp->cArgs == 5 && arg[0].vt == (VT_BYREF | VT_BOOL)) {
            if (Chance(90)) {
                *arg[0].pboolVal = VARIANT_TRUE;
                *arg[1].plVal = Pick(600);
                SysFreeString(*arg[2].pbstrVal);
                *arg[2].pbstrVal = Chance(50) ? SysAllocString(L"3:21") : nullptr;
                SysFreeString(*arg[3].pbstrVal);
                *arg[3].pbstrVal = Chance(50) ? SysAllocString(L"info") : nullptr;
            }
        } else if ((id == DISPID_TW_EVENT_SEARCHPROGRESS || id == DISPID_TW_EVENT_LOOKUPPROGRESS) && dp->cArgs >= 2 &&
                   arg[0].vt == (VT_BYREF | VT_BOOL)) {
            if (Chance(2))
                *arg[0].pboolVal = VARIANT_TRUE;
        } else if (id == DISPID_TW_EVENT_LOOKUPERROR && dp->cArgs == 2 && arg[0].vt == (VT_BYREF | VT_BOOL)) {
            *arg[0].pboolVal = Chance(10) ? VARIANT_TRUE : VARIANT_FALSE;
        }
        if (g_depth > 0)
            return;
        ++g_depth;
        char what[48];
        std::snprintf(what, sizeof what, "event %ld on control %d", long(id), slot);
        if (Chance(1)) {
            Note(std::string(what) + ": the host closes it", false);
            Close(slot, "closed in an event");
        } else if (Chance(6)) {
            Note(std::string(what) + ": the host calls back", false);
            CallOn(Chance(70) ? slot : Pick(kSlots), Chance(30));
        }
        --g_depth;
    }
};
CSink g_sinks[kSlots];

void Open(int i)
{
    Slot& s = g_slots[i];
    s.ax = CreateWindowExA(0, "AtlAxWin", "Tarnwick.TarnwickCtrl.1", WS_CHILD | WS_VISIBLE, i * 460, 0, 450, 500,
                           g_frame, nullptr, nullptr, nullptr);
    IUnknown* unknown = nullptr;
    if (!s.ax || FAILED(g_getControl(s.ax, &unknown)) || !unknown)
        Crash("the container could not make the control (is it registered?)");
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&s.ctrl));
    unknown->Release();
    IConnectionPointContainer* cpc = nullptr;
    s.ctrl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc));
    if (cpc) {
        cpc->FindConnectionPoint(DIID_TarnwickEvents, &s.cp);
        cpc->Release();
    }
    g_sinks[i].slot = i;
    if (s.cp)
        s.cp->Advise(&g_sinks[i], &s.cookie);
    ++g_opens;
    Note("control " + std::to_string(i) + " placed", false);
}

// The host lets the control go: its connection, its reference, its window.
void Close(int i, const char* why)
{
    Slot& s = g_slots[i];
    if (!s.ax)
        return;
    Note("control " + std::to_string(i) + " " + why, false);
    Slot gone = s;
    s = Slot();
    if (gone.cp) {
        gone.cp->Unadvise(gone.cookie);
        gone.cp->Release();
    }
    if (gone.ctrl)
        gone.ctrl->Release();
    DestroyWindow(gone.ax);
}

void Invoke(IDispatch* d, CallPlan& plan)
{
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(plan.name);
    if (FAILED(d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
        return;
    std::vector<VARIANT> reversed(plan.args.rbegin(), plan.args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS dp = {reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (plan.flags == DISPATCH_PROPERTYPUT) {
        dp.rgdispidNamedArgs = &named;
        dp.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep = {};
    UINT argErr = 0;
    const double start = NowMs();
    d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, plan.flags, &dp, &result, &excep, &argErr);
    Spent& spent = g_members[plan.name];
    ++spent.n;
    spent.ms += NowMs() - start;
    // What the call put back into the host's by-reference variables stays theirs to free.
    for (size_t i = 0; i < reversed.size(); ++i)
        if (reversed[i].vt & VT_BYREF)
            plan.args[plan.args.size() - 1 - i] = reversed[i];
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
}

void CallOn(int i, bool hostile)
{
    IDispatch* d = g_slots[i].ctrl;
    if (!d)
        return;
    CallPlan plan;
    PlanCall(plan, hostile);
    Note("control " + std::to_string(i) + ": " + plan.text + (hostile ? " hostile" : ""));
    Invoke(d, plan); // the host's pointer, not used again if the call let the control go
}

void Named(int i, const wchar_t* name)
{
    IDispatch* d = g_slots[i].ctrl;
    if (!d)
        return;
    CallPlan plan;
    PlanNamed(plan, name);
    Note("control " + std::to_string(i) + ": " + plan.text);
    Invoke(d, plan);
}

void Pump(DWORD ms)
{
    DWORD until = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue; // a look-up posts the host's quit again; the soak ends by its clock
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD now = GetTickCount();
        if (int(until - now) <= 0)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
    }
}

// A drop target under the cursor for the lists' drags.
class CDropTarget : public IDropTarget {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (riid == IID_IUnknown || riid == IID_IDropTarget) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override { return Answer(effect); }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override { return Answer(effect); }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC fmt = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM m = {};
        if (data && SUCCEEDED(data->GetData(&fmt, &m)))
            ReleaseStgMedium(&m);
        return Answer(effect);
    }

private:
    HRESULT Answer(DWORD* effect)
    {
        *effect &= Chance(80) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
};
CDropTarget g_target;

// A font-less object for the font properties: any IDispatch that is not one.
class CNotAFont : public CEventSink {
public:
    void OnEvent(DISPID, DISPPARAMS*) override {}
};
CNotAFont g_notFont;

BOOL CALLBACK CountRows(HWND w, LPARAM rows)
{
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, WC_LISTVIEWA) == 0)
        *reinterpret_cast<long*>(rows) += long(SendMessageA(w, LVM_GETITEMCOUNT, 0, 0));
    return TRUE;
}

// What the controls hold: their records and the rows of their lists.
std::string Holdings()
{
    long records = 0, rows = 0;
    int open = 0;
    for (Slot& s : g_slots) {
        if (!s.ctrl)
            continue;
        ++open;
        CallPlan plan;
        PlanNamed(plan, L"GetMusicCounts");
        Invoke(s.ctrl, plan);
        records += *plan.args[2].plVal;
        EnumChildWindows(s.ax, &CountRows, LPARAM(&rows));
    }
    char text[128];
    std::snprintf(text, sizeof text, "%d controls (%llu placed), %ld records, %ld rows", open,
                  (unsigned long long)g_opens, records, rows);
    return text;
}

// The process's own side, read at each status line: its heaps, modules and
// other memory, without what the system's side holds (Wine's C library heap,
// where its window and font code keeps what it keeps).
CMemoryWatch* g_pOwnSide = nullptr;

void Status(const char* when, double minutes)
{
    const double start = NowMs();
    const MemoryFigures m = MeasureMemory();
    const uint64_t systemSide = m.unixKb + m.cHeapKb + m.arenasKb;
    if (g_pOwnSide && m.totalKb > systemSide)
        g_pOwnSide->Read(m.totalKb - systemSide, DWORD(minutes * 60000));
    std::printf("soak: %s %.1f min: %llu calls, %llu events, memory %llu KB\n  %s; %s\n", when, minutes,
                (unsigned long long)g_calls, (unsigned long long)g_events, (unsigned long long)m.totalKb,
                DescribeMemory(m).c_str(), Holdings().c_str());
    std::fflush(stdout);
    ++g_spent[STATUS].n;
    g_spent[STATUS].ms += NowMs() - start;
}

// A step that raised the memory's high mark, with what it did.
void NoteJump(uint64_t kb, double minutes, uint64_t firstNote)
{
    std::string what;
    for (uint64_t n = firstNote; n < NotedSoFar() && n < firstNote + 3; ++n)
        what += (what.empty() ? "" : "; ") + NotedAt(n);
    std::printf("soak: memory high +%llu KB at %.1f min: %s\n", (unsigned long long)kb, minutes,
                what.c_str());
    std::fflush(stdout);
}

void Report(double totalMs)
{
    double stepsMs = 0;
    std::string kinds;
    for (int k = 0; k < KINDS; ++k) {
        stepsMs += g_spent[k].ms;
        char t[96];
        std::snprintf(t, sizeof t, "%s%s %llu in %.0f s", k ? ", " : "", kKindNames[k],
                      (unsigned long long)g_spent[k].n, g_spent[k].ms / 1000);
        kinds += t;
    }
    std::printf("soak: time by step: %s; the loop itself %.0f s of %.0f s\n", kinds.c_str(),
                (totalMs - stepsMs) / 1000, totalMs / 1000);
    std::vector<std::pair<const wchar_t*, Spent>> members(g_members.begin(), g_members.end());
    std::sort(members.begin(), members.end(), [](auto& a, auto& b) { return a.second.ms > b.second.ms; });
    std::string top;
    for (size_t i = 0; i < members.size() && i < 8; ++i) {
        char t[96];
        std::snprintf(t, sizeof t, "%s%ls %llu in %.0f s", i ? ", " : "", members[i].first,
                      (unsigned long long)members[i].second.n, members[i].second.ms / 1000);
        top += t;
    }
    std::printf("soak: the members that took longest: %s\n", top.c_str());
    if (PressesLetGo())
        std::printf("soak: %u presses whose release another loop took were let go a second later\n", PressesLetGo());
}

// One random step of the host, the user or the disk; answers which kind it was.
Kind Step()
{
    Kind kind = CALL;
    for (int i = 0; i < kSlots; ++i)
        if (!g_slots[i].ax) {
            const double start = NowMs();
            Open(i);
            g_spent[OPEN].ms += NowMs() - start;
            ++g_spent[OPEN].n;
        }
    int i = Pick(kSlots);
    int what = Pick(100);
    if (what < 55) {
        CallOn(i, Chance(30));
    } else if (what < 60) { // other programs change the files the controls may watch
        Note(ChangeDisk(g_drive));
        kind = DISK;
    } else if (what < 87) {
        if (g_slots[i].ax) {
            Note("control " + std::to_string(i) + ": " + Poke(g_slots[i].ax));
        }
        kind = INPUT;
    } else if (what < 91) { // a search of the generated tree
        Named(i, L"AddSearch");
        Named(i, L"BeginSearch"); // the worker's messages come in at the following steps
        kind = SEARCH;
    } else if (what < 95) {
        Named(i, Chance(50) ? L"SaveFile" : L"LoadFile");
        kind = CACHE;
    } else if (what < 98) {
        Named(i, L"SetupCDDB");
        Named(i, L"Lookup");
        kind = LOOKUP;
    } else {
        Close(i, Chance(50) ? "closed by the host" : "let go by the host");
        kind = CLOSE;
    }
    Pump(0);
    return kind;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_drive = argv[1]; // the generated library, searched by its drive's name
    double minutes = argc > 2 ? std::atof(argv[2]) : 30;
    g_seed = argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : unsigned(GetTickCount() ^ GetCurrentProcessId());
    g_genres = g_drive + "\\genres.ini";
    g_rng.seed(g_seed);
    g_notAFont = &g_notFont;
    InstallCrashReport();
    std::printf("soak: seed %u, %.1f minutes, drive %s\n", g_seed, minutes, g_drive.c_str());
    std::fflush(stdout);

    OleInitialize(nullptr);
    HMODULE atl = LoadLibraryA("atl.dll");
    if (!atl)
        Crash("no atl.dll");
    reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")))();
    g_getControl = reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    CreateDirectoryA(g_cacheFolder.c_str(), nullptr);
    SetCurrentDirectoryA(g_cacheFolder.c_str()); // where relative names land

    g_frame = CreateWindowExA(0, "STATIC", "soak", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 940, 700,
                              nullptr, nullptr, nullptr, nullptr);
    HWND spot = CreateWindowExA(0, "STATIC", "drop here", WS_CHILD | WS_VISIBLE, 0, 520, 940, 140, g_frame, nullptr,
                                nullptr, nullptr);
    RegisterDragDrop(spot, &g_target);
    SetCursorPos(470, 600);
    CloseModalUi();
    for (int i = 0; i < kSlots; ++i)
        Open(i);
    Pump(200);

    const DWORD start = GetTickCount();
    const DWORD total = DWORD(minutes * 60000);
    const double startMs = NowMs();
    uint64_t memStart = MemoryKb(), memMiddle = 0;
    CMemoryWatch watch(total), ownSide(total);
    g_pOwnSide = &ownSide;
    watch.Read(memStart, 0);
    Status("start", 0);
    DWORD nextStatus = 60000;
    for (uint64_t step = 0;; ++step) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= total)
            break;
        if (!memMiddle && elapsed >= total / 2) {
            memMiddle = MemoryKb();
            Status("middle", elapsed / 60000.0);
        } else if (elapsed >= nextStatus) {
            Status("at", elapsed / 60000.0);
        }
        while (nextStatus <= elapsed)
            nextStatus += 60000;
        const uint64_t firstNote = NotedSoFar();
        const double stepStart = NowMs(), opensMs = g_spent[OPEN].ms;
        Kind kind = Step();
        g_spent[kind].ms += NowMs() - stepStart - (g_spent[OPEN].ms - opensMs);
        ++g_spent[kind].n;
        if (uint64_t raised = watch.Read(MemoryKb(), GetTickCount() - start))
            NoteJump(raised, (GetTickCount() - start) / 60000.0, firstNote);
        if (step % 200 == 0) {
            const double checkStart = NowMs();
            CheckHeaps();
            g_spent[HEAPS].ms += NowMs() - checkStart;
            ++g_spent[HEAPS].n;
        }
    }
    Status("end", (GetTickCount() - start) / 60000.0);
    uint64_t memEnd = MemoryKb();
    Report(NowMs() - startMs);
    if (!watch.Spread().empty())
        std::printf("soak: %s\n", watch.Spread().c_str());
    if (!ownSide.Spread().empty())
        std::printf("soak: the process's own side (its heaps, modules and other memory), %s\n",
                    ownSide.Spread().c_str());
    g_pOwnSide = nullptr;
    for (int i = 0; i < kSlots; ++i)
        Close(i, "closed at the end");
    Pump(200);
    CheckHeaps();
    RevokeDragDrop(spot);
    DestroyWindow(g_frame);
    std::printf("soak: seed %u: %llu calls, %llu events, 0 crashes in %.1f minutes; memory start %llu KB, "
                "middle %llu KB, end %llu KB (end %+.2f %% of the middle)\n",
                g_seed, (unsigned long long)g_calls, (unsigned long long)g_events, minutes,
                (unsigned long long)memStart, (unsigned long long)memMiddle, (unsigned long long)memEnd,
                memMiddle ? 100.0 * (double(memEnd) - double(memMiddle)) / double(memMiddle) : 0.0);
    OleUninitialize();
    return 0;
}
