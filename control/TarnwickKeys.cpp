// The keyboard: shortcuts for the toolbar buttons (Alt and the character after
// the "&" of a button's text, once the host turns them on) and the keys the
// control keeps from its container.
#include "TarnwickCtrl.h"
#include "Resource.h"
#include <commctrl.h>
#include <string>
#include <vector>

namespace {

// The character after the first "&" of the text of the toolbar button at
// index, upper-cased (0 when the text ends there); -1 without a "&".
int Mnemonic(HWND toolbar, int index, int* command)
{
    TBBUTTON button = {};
    if (!SendMessageA(toolbar, TB_GETBUTTON, WPARAM(index), LPARAM(&button)))
        return -1;
    *command = button.idCommand;
    LRESULT n = SendMessageA(toolbar, TB_GETBUTTONTEXTA, WPARAM(button.idCommand), 0);
    if (n <= 0)
        return -1;
    std::string text(size_t(n) + 1, '\0');
    SendMessageA(toolbar, TB_GETBUTTONTEXTA, WPARAM(button.idCommand), LPARAM(&text[0]));
    CharUpperA(&text[0]);
    const char* amp = strchr(text.c_str(), '&');
    return amp ? static_cast<unsigned char>(amp[1]) : -1;
}

int ButtonCount(HWND toolbar) { return toolbar ? int(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0)) : 0; }

bool Held(int vk) { return GetKeyState(vk) < 0; }

} // namespace

// One entry a button whose text has a "&": Alt and that character, command 1.
int CTarnwickCtrl::BuildAccelerators()
{
    std::vector<ACCEL> entries;
    for (int i = 0, n = ButtonCount(m_hToolbar); i < n; ++i) {
        int command;
        int key = Mnemonic(m_hToolbar, i, &command);
        if (key >= 0)
            entries.push_back({FALT | FVIRTKEY, WORD(key), 1});
    }
    if (m_hAccel)
        DestroyAcceleratorTable(m_hAccel);
    m_hAccel = CreateAcceleratorTableA(entries.empty() ? nullptr : entries.data(), int(entries.size()));
    return int(entries.size());
}

STDMETHODIMP CTarnwickCtrl::GetControlInfo(CONTROLINFO* info)
{
    HRESULT hr = CControlBase::GetControlInfo(info);
    if (FAILED(hr) || !m_bHotKeys)
        return hr;
    int count = BuildAccelerators();
    info->hAccel = m_hAccel;
    info->cAccel = USHORT(m_hAccel ? count : 0);
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP CTarnwickCtrl::OnMnemonic(MSG* msg)
{
    if (msg && m_bHotKeys && m_hAccel && Handle() && ::TranslateAcceleratorA(Handle(), m_hAccel, msg))
        OnHotKey(msg);
    return S_OK;
}

// The first button whose mnemonic is the key runs, unless it is disabled.
bool CTarnwickCtrl::OnHotKey(const MSG* msg)
{
    int key = int(msg->wParam & 0xFF);
    if (!((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')))
        return false;
    for (int i = 0, n = ButtonCount(m_hToolbar); i < n; ++i) {
        int command;
        if (Mnemonic(m_hToolbar, i, &command) != key)
            continue;
        if (!(SendMessageA(m_hToolbar, TB_GETSTATE, WPARAM(command), 0) & TBSTATE_ENABLED))
            return false;
        if (command == ID_VIEW_BUTTON)
            OnViewButton();
        else if (command == ID_SCAN_BUTTON)
            m_view.BeginSearch();
        else
            return false;
        return true;
    }
    return false;
}

// New button texts: the table is built again at once and the container is
// told to ask for it, so the new mnemonics work in any host.
void CTarnwickCtrl::RefreshHotKeys()
{
    if (!m_bHotKeys || !Handle() || !IsUserMode())
        return;
    BuildAccelerators();
    NotifyControlInfoChanged();
}

// Keys the control keeps while the focus is in it: Tab between the toolbar and
// the shown list, Return, paging and arrows (sent to the window that has the
// focus), Escape, Alt+Tab. Everything else, Alt with any other key among it,
// goes on to the container.
bool CTarnwickCtrl::PreTranslateMessage(MSG* msg)
{
    UINT m = msg->message;
    HWND focus = GetFocus();
    if (!Handle() || !focus || !IsChild(Handle(), focus) ||
        (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP))
        return false; // keys of the host's own windows are the host's
    if (m_bHotKeys && m_hAccel && ::TranslateAcceleratorA(Handle(), m_hAccel, msg))
        OnHotKey(msg);
    // Of the keys pressed with Alt only Alt+Tab stays: the rest are the host's accelerators.
    if (m != WM_KEYDOWN && m != WM_KEYUP)
        return msg->wParam == VK_TAB;
    switch (msg->wParam) {
    case VK_TAB: {
        if (Held(VK_MENU))
            return true;
        // Forwards from the toolbar to the list, backwards from the list to the
        // toolbar; at either end the container moves on to its own controls.
        HWND list = m_view.ShownList().Handle();
        if (!m_hToolbar || !IsWindowVisible(m_hToolbar) || !list)
            return false;
        HWND next = Held(VK_SHIFT) ? (focus == m_hToolbar ? nullptr : m_hToolbar) : (focus == m_hToolbar ? list : nullptr);
        if (!next)
            return false;
        if (m == WM_KEYDOWN)
            SetFocus(next);
        return true;
    }
    case VK_RETURN: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        SendMessageA(msg->hwnd, m, msg->wParam, msg->lParam);
        return true;
    case VK_ESCAPE:
        return true;
    default:
        return false;
    }
}
