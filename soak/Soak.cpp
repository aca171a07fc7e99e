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
#include "control/TarnwickDispIds.h"
#include <windows.h>
#include <ocidl.h>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace soak;

namespace {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
AtlAxGetControlFn g_getControl = nullptr;
HWND g_frame = nullptr;
int g_depth = 0; // events inside events
const int kSlots = 2;

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
    d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, plan.flags, &dp, &result, &excep, &argErr);
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

void Status(const char* when, double minutes)
{
    std::printf("soak: %s %.1f min: %llu calls, %llu events, memory %llu KB\n", when, minutes,
                (unsigned long long)g_calls, (unsigned long long)g_events, (unsigned long long)MemoryKb());
    std::fflush(stdout);
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
    uint64_t memStart = MemoryKb(), memMiddle = 0;
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
        for (int i = 0; i < kSlots; ++i)
            if (!g_slots[i].ax)
                Open(i);
        int i = Pick(kSlots);
        int what = Pick(100);
        if (what < 55) {
            CallOn(i, Chance(30));
        } else if (what < 60) { // other programs change the files the controls may watch
            Note(ChangeDisk(g_drive));
        } else if (what < 87) {
            if (g_slots[i].ax) {
                Note("control " + std::to_string(i) + ": " + Poke(g_slots[i].ax));
            }
        } else if (what < 91) { // a search of the generated tree
            Named(i, L"AddSearch");
            Named(i, L"BeginSearch");
            Pump(DWORD(Pick(60)));
        } else if (what < 95) {
            Named(i, Chance(50) ? L"SaveFile" : L"LoadFile");
        } else if (what < 98) {
            Named(i, L"SetupCDDB");
            Named(i, L"Lookup");
        } else {
            Close(i, Chance(50) ? "closed by the host" : "let go by the host");
        }
        Pump(0);
        if (step % 200 == 0)
            CheckHeaps();
    }
    Status("end", (GetTickCount() - start) / 60000.0);
    uint64_t memEnd = MemoryKb();
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
