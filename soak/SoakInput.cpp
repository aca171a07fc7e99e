#include "SoakInput.h"
#include "SoakArgs.h"
#include <commctrl.h>
#include <atomic>
#include <vector>

namespace soak {

namespace {

// Menus and dialogs of the soak's thread are dismissed as a user would: a
// menu with Escape, a dialog with Cancel. The hook posts that as the window is
// made, so the modal loop reads it as soon as it runs; the watch on a thread of
// its own is the backstop for any that the hook does not see.
bool Dismiss(HWND w, bool shownOnly)
{
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32768") == 0) // a popup menu; the system keeps hidden ones
        return (!shownOnly || IsWindowVisible(w)) && PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 1);
    if (lstrcmpA(cls, "#32770") == 0)
        return PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    return false;
}

LRESULT CALLBACK OnCreate(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_CREATEWND)
        Dismiss(reinterpret_cast<HWND>(wp), false);
    return CallNextHookEx(nullptr, code, wp, lp);
}

BOOL CALLBACK CloseModal(HWND w, LPARAM)
{
    Dismiss(w, true);
    return TRUE;
}

// A press whose release another loop took (a modal loop run by a host's event
// handler while a list view tracks the mouse) leaves the window holding the
// mouse for ever; a user would let go again. A capture held a second gets it.
std::atomic<unsigned> g_letGo{0};

void LetGoOfStuckPress(DWORD thread)
{
    static HWND held = nullptr;
    static int ticks = 0;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND now = GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
    ticks = now && now == held ? ticks + 1 : 0;
    held = now;
    if (ticks >= 4) {
        PostMessageA(now, WM_LBUTTONUP, 0, 0);
        PostMessageA(now, WM_RBUTTONUP, 0, 0);
        ++g_letGo;
        ticks = 0;
    }
}

DWORD WINAPI Watch(LPVOID param)
{
    DWORD thread = DWORD(reinterpret_cast<UINT_PTR>(param));
    for (;;) {
        Sleep(250);
        EnumThreadWindows(thread, &CloseModal, 0);
        EnumWindows(&CloseModal, 0); // popup menus belong to no thread's list under every system
        LetGoOfStuckPress(thread);
    }
}

struct Found {
    std::vector<HWND> lists, headers, toolbars;
};

BOOL CALLBACK Collect(HWND w, LPARAM p)
{
    auto* f = reinterpret_cast<Found*>(p);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (!IsWindowVisible(w))
        return TRUE;
    if (lstrcmpA(cls, WC_LISTVIEWA) == 0)
        f->lists.push_back(w);
    else if (lstrcmpA(cls, WC_HEADERA) == 0)
        f->headers.push_back(w);
    else if (lstrcmpA(cls, TOOLBARCLASSNAMEA) == 0)
        f->toolbars.push_back(w);
    return TRUE;
}

LPARAM At(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    int x = r.right > 0 ? Pick(r.right) : 0, y = r.bottom > 0 ? Pick(r.bottom) : 0;
    return MAKELPARAM(x, y);
}

// The release is posted first: a list view waits for it inside its handling
// of the press, as it watches for the start of a drag.
void Click(HWND w, UINT down, UINT up, LPARAM at, WPARAM keys = 0)
{
    PostMessageA(w, up, keys, at);
    SendMessageA(w, down, keys | (down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON), at);
}

void Key(HWND w, UINT vk, bool alt = false)
{
    PostMessageA(w, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, alt ? (1 | (1 << 29)) : 1);
    PostMessageA(w, alt ? WM_SYSKEYUP : WM_KEYUP, vk, alt ? (1 | (1 << 29) | (3u << 30)) : (1 | (3u << 30)));
}

} // namespace

unsigned PressesLetGo() { return g_letGo; }

void CloseModalUi()
{
    SetWindowsHookExA(WH_CBT, &OnCreate, nullptr, GetCurrentThreadId());
    CloseHandle(CreateThread(nullptr, 0, &Watch, reinterpret_cast<LPVOID>(UINT_PTR(GetCurrentThreadId())), 0, nullptr));
}

std::string Poke(HWND ax)
{
    Found f;
    EnumChildWindows(ax, &Collect, LPARAM(&f));
    if (f.lists.empty())
        return "input: no list shown";
    HWND list = f.lists[Pick(int(f.lists.size()))];
    switch (Pick(9)) {
    case 0:
        Click(list, WM_LBUTTONDOWN, WM_LBUTTONUP, At(list), Chance(30) ? MK_SHIFT : Chance(30) ? MK_CONTROL : 0);
        return "input: click a row";
    case 1:
        Click(list, WM_LBUTTONDBLCLK, WM_LBUTTONUP, At(list));
        return "input: double-click a row";
    case 2: {
        static const UINT keys[] = {VK_DOWN, VK_UP, VK_NEXT, VK_PRIOR, VK_HOME, VK_END, VK_RETURN, VK_SPACE,
                                    VK_APPS, VK_TAB, VK_ESCAPE, VK_LEFT, VK_RIGHT};
        HWND to = Chance(20) ? ax : list;
        SetFocus(to);
        Key(to, keys[Pick(13)]);
        return "input: a key";
    }
    case 3:
        SetFocus(list);
        Key(list, Chance(50) ? 'V' : 'S', true);
        return "input: alt and a hot key";
    case 4:
        if (f.headers.empty())
            return "input: no header";
        Click(f.headers[0], WM_LBUTTONDOWN, WM_LBUTTONUP, At(f.headers[0]));
        return "input: a header click";
    case 5:
        Click(list, WM_RBUTTONDOWN, WM_RBUTTONUP, At(list));
        PostMessageA(list, WM_CONTEXTMENU, WPARAM(list), MAKELPARAM(-1, -1));
        return "input: a context menu";
    case 6: {
        if (f.toolbars.empty())
            return "input: no toolbar";
        HWND bar = f.toolbars[0];
        RECT r = {};
        SendMessageA(bar, TB_GETITEMRECT, WPARAM(Pick(2)), LPARAM(&r));
        Click(bar, WM_LBUTTONDOWN, WM_LBUTTONUP, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        return "input: a toolbar button";
    }
    case 7: { // a drag as the list view starts it; the button is up, so it drops at the cursor
        NMLISTVIEW nm = {};
        nm.hdr.hwndFrom = list;
        nm.hdr.idFrom = UINT_PTR(GetDlgCtrlID(list));
        nm.hdr.code = Chance(80) ? LVN_BEGINDRAG : LVN_BEGINRDRAG;
        nm.iItem = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
        SendMessageA(GetParent(list), WM_NOTIFY, nm.hdr.idFrom, LPARAM(&nm));
        return "input: a drag";
    }
    default: {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = Chance(70) ? LVIS_SELECTED : 0;
        SendMessageA(list, LVM_SETITEMSTATE, WPARAM(Chance(50) ? -1 : Pick(50)), LPARAM(&item));
        return "input: select rows";
    }
    }
}

} // namespace soak
