#include "DialogHost.h"
#include <string>
#include <vector>

namespace {

// A dialog template in memory: the header, then each item on a DWORD boundary.
class CTemplate {
public:
    CTemplate(const wchar_t* title, short cx, short cy, WORD items)
    {
        DLGTEMPLATE t = {};
        t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER;
        t.dwExtendedStyle = WS_EX_CONTROLPARENT;
        t.cdit = items;
        t.cx = cx;
        t.cy = cy;
        Put(&t, sizeof t);
        Word(0); // no menu
        Word(0); // the dialog class
        Text(title);
    }
    void Item(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, short x, short y, short cx, short cy,
              WORD id)
    {
        m_bytes.resize((m_bytes.size() + 3) & ~size_t(3));
        DLGITEMTEMPLATE item = {WS_CHILD | WS_VISIBLE | style, exStyle, x, y, cx, cy, id};
        Put(&item, sizeof item);
        Text(cls);
        Text(text);
        Word(0); // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }

private:
    void Put(const void* p, size_t n)
    {
        const char* c = static_cast<const char*>(p);
        m_bytes.insert(m_bytes.end(), c, c + n);
    }
    void Word(WORD w) { Put(&w, sizeof w); }
    void Text(const wchar_t* s) { Put(s, (wcslen(s) + 1) * sizeof(wchar_t)); }
    std::vector<char> m_bytes;
};

WNDPROC g_host;

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER || msg >= WM_APP) {
        g_host(hwnd, msg, wp, lp);
        return TRUE;
    }
    if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
        DestroyWindow(hwnd);
        return TRUE;
    }
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return msg == WM_INITDIALOG;
}

} // namespace

HWND CreateControlDialog(HINSTANCE instance, const wchar_t* progId, WNDPROC host)
{
    g_host = host;
    CTemplate t(L"Tarnwick in a dialog", 420, 250, 3);
    t.Item(L"BUTTON", L"&Before", WS_TABSTOP | BS_PUSHBUTTON, 0, 6, 6, 60, 14, 1);
    // The container is a control parent, so the dialog manager walks into the control.
    t.Item(L"AtlAxWin", progId, 0, WS_EX_CONTROLPARENT, 6, 26, 408, 196, ID_DIALOG_CONTROL);
    t.Item(L"BUTTON", L"&After", WS_TABSTOP | BS_PUSHBUTTON, 0, 6, 228, 60, 14, 2);
    return CreateDialogIndirectParamW(instance, t.Get(), nullptr, DialogProc, 0);
}
