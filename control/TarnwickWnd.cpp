// The window side of the control: its window with the toolbar band and the
// sound view beneath, layout and painting, and the private messages through
// which the workers and the sound view reach the host as events.
#include "Resource.h"
#include "TarnwickCtrl.h"
#include "TarnwickDispIds.h"
#include "TarnwickIds.h"
#include "catalogue/CacheFile.h"
#include <commctrl.h>
#include <cstring>

namespace {

const int kToolbarBand = 25;
const UINT kToolbarId = 0xE800;
const UINT kViewId = 1;

char* DupText(BSTR text, UINT codePage)
{
    if (!text)
        return nullptr;
    std::string out = fw::ToText(text, int(SysStringLen(text)), codePage);
    return _strdup(out.c_str());
}

} // namespace

HWND CTarnwickCtrl::CreateControlWindow(HWND parent, const RECT& rect)
{
    // A host may let the control go from inside any event: each of its windows
    // keeps it alive until the message in hand is done.
    SetLifetimeOwners(static_cast<IDispatch*>(this));
    // The styles of the control window: a control parent with a sunken edge, a tab stop.
    if (!fw::CWindow::Create("TarnwickCtrl", WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE, WS_CHILD | WS_TABSTOP, rect, parent, 0,
                LoadCursor(nullptr, IDC_ARROW)))
        return nullptr;
    return Handle();
}

LRESULT CTarnwickCtrl::OnCreate()
{
    RECT client;
    GetClientRect(Handle(), &client);
    InflateRect(&client, -1, -1);
    RECT band = {client.left, client.top, client.right, client.top + kToolbarBand};
    CreateToolbar(band, 2);
    RECT lists = {client.left, client.top + kToolbarBand, client.right, client.bottom};
    m_view.SetStyle(m_lStyle);
    if (m_view.CreateListWindows(Handle(), lists, kViewId)) {
        ApplyColumns();
        m_view.SetTipTextColor(fw::TranslateColor(m_clrTipTextColor));
        m_view.SetTipText(m_strTipText, m_fontTipText.Handle()); // what the host set before the window existed
    }
    if (m_lStyle == 1 && m_hToolbar)
        ShowWindow(m_hToolbar, SW_HIDE);
    ApplyFont();
    GreetTrace();
    return 0;
}

bool CTarnwickCtrl::CreateToolbar(const RECT& rect, int border)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    m_hToolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                                 WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_TABSTOP | 0x1910 |
                                     CCS_NORESIZE | CCS_NODIVIDER,
                                 rect.left + border, rect.top + border, rect.right - rect.left - 2 * border,
                                 rect.bottom - rect.top - 2 * border, Handle(), HMENU(UINT_PTR(kToolbarId)),
                                 fw::ModuleInstance(), nullptr);
    if (!m_hToolbar)
        return false;
    // Toolbar resource 201: version, button width and height, count, command ids.
    HRSRC res = FindResourceA(fw::ModuleInstance(), MAKEINTRESOURCEA(IDR_TOOLBAR), MAKEINTRESOURCEA(241));
    const WORD* data = res ? static_cast<const WORD*>(LockResource(LoadResource(fw::ModuleInstance(), res))) : nullptr;
    if (!data || data[0] != 1) {
        DestroyWindow(m_hToolbar);
        m_hToolbar = nullptr;
        return false;
    }
    SendMessageA(m_hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(m_hToolbar, TB_SETBITMAPSIZE, 0, MAKELONG(data[1], data[2]));
    TBADDBITMAP bitmap = {fw::ModuleInstance(), IDB_TOOLBAR};
    SendMessageA(m_hToolbar, TB_ADDBITMAP, data[3], LPARAM(&bitmap));
    for (WORD i = 0; i < data[3]; ++i) {
        TBBUTTON button = {};
        button.iBitmap = i;
        button.idCommand = data[4 + i];
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        button.iString = -1;
        SendMessageA(m_hToolbar, TB_ADDBUTTONSA, 1, LPARAM(&button));
    }
    SetButtonText(ID_VIEW_BUTTON, m_strToolbarNames[0]);
    SetButtonText(ID_SCAN_BUTTON, m_strToolbarNames[1]);
    UpdateWindow(m_hToolbar);
    MoveWindow(m_hToolbar, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    ShowWindow(m_hToolbar, SW_SHOW);
    return true;
}

void CTarnwickCtrl::SetButtonText(UINT command, const std::string& text)
{
    if (!m_hToolbar)
        return;
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<char*>(text.c_str());
    SendMessageA(m_hToolbar, TB_SETBUTTONINFOA, command, LPARAM(&info));
    SendMessageA(m_hToolbar, TB_AUTOSIZE, 0, 0);
}

int CTarnwickCtrl::ToolbarHeight() const
{
    RECT r = {};
    if (m_hToolbar)
        GetWindowRect(m_hToolbar, &r);
    return r.bottom - r.top;
}

void CTarnwickCtrl::Layout(int cx, int cy)
{
    int h = 0;
    if (m_lStyle == 2 && m_hToolbar) {
        h = ToolbarHeight();
        MoveWindow(m_hToolbar, 0, 0, cx, h, TRUE);
    }
    if (m_view.Handle())
        MoveWindow(m_view.Handle(), 0, h + 1, cx, cy - h - 1, TRUE);
}

// Style 1 hides the toolbar and gives the lists the whole client area.
void CTarnwickCtrl::ApplyStyle()
{
    if (Handle()) {
        RECT client;
        GetClientRect(Handle(), &client);
        if (m_hToolbar)
            ShowWindow(m_hToolbar, m_lStyle == 1 ? SW_HIDE : SW_SHOW);
        int top = m_lStyle == 1 ? 0 : ToolbarHeight();
        if (m_view.Handle())
            MoveWindow(m_view.Handle(), 0, top, client.right, client.bottom - top, TRUE);
    }
    m_view.SetStyle(m_lStyle);
}

// Headers and widths the host set before the lists existed.
void CTarnwickCtrl::ApplyColumns()
{
    const std::string* headers[4] = {&m_strColNameHeader, &m_strColTimeHeader, &m_strColTypeHeader,
                                     &m_strColSourceHeader};
    const SHORT widths[4] = {m_nColNameWidth, m_nColTimeWidth, m_nColTypeWidth, m_nColSourceWidth};
    for (int i = 0; i < 4; ++i) {
        if (headers[i]->compare(0, 3, "~~~") != 0)
            m_view.SetColumn(i, *headers[i], 0);
        if (widths[i] > 0)
            m_view.SetColumnWidth(i, widths[i]);
    }
}

void CTarnwickCtrl::ApplyFont()
{
    HFONT font = m_fontStock.Handle();
    if (!font || !m_view.Handle())
        return;
    SendMessageA(m_view.Handle(), WM_SETFONT, WPARAM(font), TRUE);
    if (m_view.FileList().Handle())
        SendMessageA(m_view.FileList().Handle(), WM_SETFONT, WPARAM(font), TRUE);
    if (m_hToolbar)
        SendMessageA(m_hToolbar, WM_SETFONT, WPARAM(font), TRUE);
}

void CTarnwickCtrl::SetViewButtonEnabled(bool enabled)
{
    if (!m_hToolbar)
        return;
    LRESULT state = SendMessageA(m_hToolbar, TB_GETSTATE, ID_VIEW_BUTTON, 0);
    if (state == -1)
        return;
    state = enabled ? (state | TBSTATE_ENABLED) : (state & ~LRESULT(TBSTATE_ENABLED));
    SendMessageA(m_hToolbar, TB_SETSTATE, ID_VIEW_BUTTON, MAKELONG(LOWORD(state), 0));
}

// The trace component hears that the view started; one that refuses is let go.
void CTarnwickCtrl::GreetTrace()
{
    if (!m_pTrace)
        return;
    ITarnwickTrace* trace = static_cast<ITarnwickTrace*>(m_pTrace);
    BSTR hello = SysAllocString(L"SndView");
    HRESULT hr = trace->Trace(hello);
    SysFreeString(hello);
    if (SUCCEEDED(hr)) {
        BSTR start = SysAllocString(L"SndView Start");
        trace->TraceStart(start);
        SysFreeString(start);
    } else {
        m_pTrace->Release();
        m_pTrace = nullptr;
    }
}

void CTarnwickCtrl::OnPaint()
{
    HDC dc = GetDC(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    int h = ToolbarHeight();
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, client.left, h, nullptr);
    LineTo(dc, client.right, h);
    SelectObject(dc, old);
    DeleteObject(pen);
    ReleaseDC(Handle(), dc);
}

// The worker must be gone before the cache file is written from the catalogue.
void CTarnwickCtrl::OnDestroy()
{
    m_view.StopLookup();
    m_view.StopSearch();
    m_view.WaitForWorker();
    m_view.StopWatching();
    if (!m_strCacheFile.empty())
        ::SaveFile(m_view.Catalogue(), m_strCacheFile.c_str());
    m_view.HideHelp();
    if (m_hAccel)
        DestroyAcceleratorTable(m_hAccel);
    m_hAccel = nullptr;
}

void CTarnwickCtrl::OnViewButton()
{
    if (m_view.IsViewEnabled() && GetKeyState(VK_ESCAPE) >= 0) {
        RECT r = {};
        if (m_hToolbar)
            GetClientRect(m_hToolbar, &r);
        POINT corner = {r.left, r.bottom};
        if (m_hToolbar)
            ClientToScreen(m_hToolbar, &corner);
        int view = m_view.TrackViewMenu(0, corner);
        if (view)
            ChangeView(view);
        return;
    }
    int32_t tagged, mp3, total;
    m_view.Catalogue().GetMusicCounts(&tagged, &mp3, &total);
    if (total == 0) {
        fw::CEventArgs args;
        FireEvent(DISPID_TW_EVENT_DISABLEDVIEW, args);
    }
}

LRESULT CTarnwickCtrl::OnAddingFile(AddingFileRecord* record)
{
    if (!record)
        return 0;
    BSTR info = SysAllocString(L"");
    // The reader may have timed the file already (extended tags).
    BSTR time = fw::ToBstr(record->pszTime ? record->pszTime : "", Names());
    free(record->pszTime);
    LONG length = record->lLength;
    VARIANT_BOOL ok = record->bAddOk ? VARIANT_TRUE : VARIANT_FALSE;
    fw::CEventArgs args;
    args.Str(record->pszPath, Names()).RefBstr(&info).RefBstr(&time).RefLong(&length).RefBool(&ok);
    FireEvent(DISPID_TW_EVENT_ADDINGFILE, args);
    record->pszInfo = DupText(info, Names());
    record->pszTime = DupText(time, Names());
    record->lLength = length;
    record->bAddOk = ok != VARIANT_FALSE;
    SysFreeString(info);
    SysFreeString(time);
    if (!m_view.IsViewEnabled() && record->bAddOk) {
        m_view.SetViewEnabled(true);
        SetViewButtonEnabled(true);
    }
    return 0;
}

LRESULT CTarnwickCtrl::OnSearchProgress(ProgressRecord* record)
{
    if (!record)
        return 0;
    VARIANT_BOOL abort = record->bAbort ? VARIANT_TRUE : VARIANT_FALSE;
    fw::CEventArgs args;
    args.Short(SHORT(record->nPercent)).Long(record->lCount).Long(record->lSecsLeft).RefBool(&abort);
    FireEvent(DISPID_TW_EVENT_SEARCHPROGRESS, args);
    record->bAbort = abort != VARIANT_FALSE;
    return 0;
}

LRESULT CTarnwickCtrl::OnEndSearch(CountsRecord* counts, bool hasRows)
{
    m_view.SetViewEnabled(hasRows);
    SetViewButtonEnabled(hasRows);
    if (counts) {
        fw::CEventArgs args;
        args.Long(counts->lTagged).Long(counts->lTotal);
        FireEvent(DISPID_TW_EVENT_ENDSEARCH, args);
    }
    return 0;
}

LRESULT CTarnwickCtrl::OnCatalogueChanged(const ChangeCounts* counts)
{
    SetViewButtonEnabled(m_view.IsViewEnabled());
    if (counts) {
        fw::CEventArgs args;
        args.Long(counts->lAdded).Long(counts->lRemoved).Long(counts->lChanged);
        FireEvent(DISPID_TW_EVENT_CATALOGUECHANGED, args);
    }
    return 0;
}

LRESULT CTarnwickCtrl::OnLookupProgress(ProgressRecord* record)
{
    if (!record)
        return 0;
    VARIANT_BOOL abort = record->bAbort ? VARIANT_TRUE : VARIANT_FALSE;
    fw::CEventArgs args;
    args.Short(SHORT(record->nPercent)).RefBool(&abort);
    FireEvent(DISPID_TW_EVENT_LOOKUPPROGRESS, args);
    record->bAbort = abort != VARIANT_FALSE;
    return 0;
}

// The worker's retry flag arrives TRUE; the host's answer goes back into it.
LRESULT CTarnwickCtrl::OnLookupError(LONG code, BOOL* retry)
{
    VARIANT_BOOL again = !retry || *retry ? VARIANT_TRUE : VARIANT_FALSE;
    fw::CEventArgs args;
    args.Long(code).RefBool(&again);
    FireEvent(DISPID_TW_EVENT_LOOKUPERROR, args);
    if (retry)
        *retry = again != VARIANT_FALSE;
    return 0;
}

LRESULT CTarnwickCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (OnViewMessage(msg, wp, lp, result))
        return result;
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        Layout(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_PAINT:
        OnPaint();
        return Default(msg, wp, lp);
    case WM_SETFOCUS: {
        OnFocusChange();
        // Entering backwards (Shift held) lands on the list that is shown, else on
        // the toolbar; on the list too while the toolbar is hidden.
        bool toolbar = m_hToolbar && IsWindowVisible(m_hToolbar);
        HWND next = GetKeyState(VK_SHIFT) < 0 || !toolbar ? m_view.ShownList().Handle() : m_hToolbar;
        if (next)
            SetFocus(next);
        return 0;
    }
    case WM_NOTIFY: {
        // The lists report the focus; the toolbar makes a button hot as it takes it.
        UINT code = lp ? reinterpret_cast<const NMHDR*>(lp)->code : 0;
        if (code == UINT(NM_SETFOCUS) || code == UINT(NM_KILLFOCUS) || code == UINT(TBN_HOTITEMCHANGE))
            OnFocusChange();
        // The lists sort and drag themselves: their notifications go back to them.
        LRESULT result;
        if (ReflectToChild(msg, wp, lp, result))
            return result;
        return Default(msg, wp, lp);
    }
    case WM_NOTIFYFORMAT: {
        LRESULT result;
        if (ReflectToChild(msg, wp, lp, result))
            return result;
        return Default(msg, wp, lp);
    }
    case WM_MOUSEACTIVATE:
        ActivateUI();
        return Default(msg, wp, lp);
    case WM_COMMAND:
        if (LOWORD(wp) == ID_SCAN_BUTTON)
            m_view.BeginSearch();
        else if (LOWORD(wp) == ID_VIEW_BUTTON)
            OnViewButton();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return Default(msg, wp, lp);
    default:
        return Default(msg, wp, lp);
    }
}

// The messages of the workers and the lists, on the window's thread: most of
// them only raise an event.
bool CTarnwickCtrl::OnViewMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    // Messages that only raise their event, with wParam as its one argument if it has one.
    static const struct {
        UINT msg;
        DISPID event;
        char arg; // 0: none, 's': text, 'l': long
    } kFired[] = {{UM_STARTLOOKUP, DISPID_TW_EVENT_STARTLOOKUP, 0},
                  {UM_ITEMDBLCLICK, DISPID_TW_EVENT_ITEMDBLCLICK, 's'},
                  {UM_DOCOMMAND, DISPID_TW_EVENT_DOCOMMAND, 'l'}};
    for (const auto& fired : kFired) {
        if (fired.msg != msg)
            continue;
        fw::CEventArgs args;
        if (fired.arg == 's')
            args.Str(reinterpret_cast<const char*>(wp), Names());
        else if (fired.arg == 'l')
            args.Long(LONG(wp));
        FireEvent(fired.event, args);
        result = 0;
        return true;
    }
    switch (msg) {
    case UM_ADDINGFILE: result = OnAddingFile(reinterpret_cast<AddingFileRecord*>(wp)); return true;
    case UM_SEARCHPROGRESS: result = OnSearchProgress(reinterpret_cast<ProgressRecord*>(wp)); return true;
    case UM_ENDSEARCH: result = OnEndSearch(reinterpret_cast<CountsRecord*>(wp), lp != 0); return true;
    case UM_CATALOGUECHANGED: result = OnCatalogueChanged(reinterpret_cast<const ChangeCounts*>(wp)); return true;
    case UM_LOOKUPPROGRESS: result = OnLookupProgress(reinterpret_cast<ProgressRecord*>(wp)); return true;
    case UM_LOOKUPERROR: result = OnLookupError(LONG(wp), reinterpret_cast<BOOL*>(lp)); return true;
    case UM_STARTSEARCH: {
        m_view.HideHelp();
        fw::CEventArgs args;
        FireEvent(DISPID_TW_EVENT_STARTSEARCH, args);
        return true;
    }
    case UM_ITEMSSELECTED:
        FireItemsSelected(LONG(wp), LONG(lp));
        return true;
    case UM_ENDLOOKUP:
        if (const CountsRecord* counts = reinterpret_cast<const CountsRecord*>(wp)) {
            fw::CEventArgs args;
            args.Long(counts->lTagged).Long(counts->lTotal);
            FireEvent(DISPID_TW_EVENT_ENDLOOKUP, args);
        }
        return true;
    default:
        return false;
    }
}
