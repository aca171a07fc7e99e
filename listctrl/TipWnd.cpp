#include "TipWnd.h"

void CTipWnd::SetHelpText(const std::string& text)
{
    m_strText = text;
    if (Handle())
        SetWindowTextA(Handle(), m_strText.c_str());
}

bool CTipWnd::ShowHelp(int shape)
{
    if (m_bWaiting)
        return false;
    if (!Create(m_strClass.c_str(), 0, WS_POPUP, m_rect, m_hOwner, 0, LoadCursor(nullptr, IDC_ARROW), nullptr,
                CS_DBLCLKS | CS_SAVEBITS))
        return false;
    SetParent(Handle(), m_hOwner); // clipped to the owner, moving and hiding with it
    SetWindowTextA(Handle(), m_strText.c_str());
    ShowWindow(Handle(), SW_SHOWNA);
    m_nShape = (shape == 0 || shape == 1) ? shape : 0;
    return true;
}

void CTipWnd::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    int saved = SaveDC(dc);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_INFOBK));
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    if (m_nShape == 1)
        RoundRect(dc, r.left, r.top, r.right, r.bottom, 5, 10);
    else
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    if (m_hFont)
        SelectObject(dc, m_hFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m_clrText);
    InflateRect(&r, -2, -2);
    DrawTextA(dc, m_strText.c_str(), -1, &r, DT_WORDBREAK);
    RestoreDC(dc, saved);
    DeleteObject(pen);
    DeleteObject(brush);
}

LRESULT CTipWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return 1; // painted in one pass
    case WM_GETFONT:
        return LRESULT(m_hFont);
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        PAINTSTRUCT ps;
        HDC dc = msg == WM_PAINT ? BeginPaint(Handle(), &ps) : reinterpret_cast<HDC>(wp);
        Paint(dc);
        if (msg == WM_PAINT)
            EndPaint(Handle(), &ps);
        return 0;
    }
    default:
        return Default(msg, wp, lp);
    }
}
