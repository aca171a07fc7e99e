// The sound view's help tip and view menu.
#include "SndView.h"
#include "listctrl/TipWnd.h"

// --- Help tip

void CSndView::SetTipText(const std::string& text, HFONT font)
{
    if (!m_pTip)
        return;
    if (!text.empty())
        m_pTip->SetHelpText(text);
    if (font)
        m_pTip->SetHelpFont(font);
    InvalidateRect(m_pTip->Handle(), nullptr, TRUE);
}

void CSndView::SetTipTextColor(COLORREF color)
{
    if (!m_pTip)
        return;
    m_pTip->SetHelpTextColor(color);
    InvalidateRect(m_pTip->Handle(), nullptr, TRUE);
}

void CSndView::HideHelp()
{
    if (!m_pTip)
        return;
    CTipWnd* tip = m_pTip;
    m_pTip = nullptr;
    ShowWindow(tip->Handle(), SW_HIDE);
    DestroyWindow(tip->Handle()); // the tip deletes itself with its window
}

// --- View menu

void CSndView::CreateViewMenu()
{
    static const char* const placeholders[4] = {"~~~All Files", "~~~Artist", "~~~Album", "~~~Genre"};
    m_hViewMenu = CreatePopupMenu();
    for (int i = 0; i < 4; ++i)
        AppendMenuA(m_hViewMenu, MF_STRING, UINT_PTR(ID_VIEW_FILES + i),
                    m_bViewNamed[i] ? m_strViewNames[i].c_str() : placeholders[i]);
    CheckView(m_nView);
}

void CSndView::CheckView(int32_t view)
{
    CheckMenuRadioItem(m_hViewMenu, ID_VIEW_FILES, ID_VIEW_GENRE, UINT(view), MF_BYCOMMAND);
}

int CSndView::TrackViewMenu(UINT flags, POINT at)
{
    if (!m_hViewMenu)
        return 0;
    if (m_catalogue.Genres().IniPath().empty())
        RemoveMenu(m_hViewMenu, ID_VIEW_GENRE, MF_BYCOMMAND);
    int chosen = int(TrackPopupMenu(m_hViewMenu, flags | TPM_NONOTIFY | TPM_RETURNCMD, at.x, at.y, 0, Handle(), nullptr));
    if (chosen)
        CheckView(chosen);
    return chosen;
}

void CSndView::SetViewString(int32_t view, const std::string& text)
{
    if (ViewIndex(view) < 0)
        return;
    m_strViewNames[ViewIndex(view)] = text;
    m_bViewNamed[ViewIndex(view)] = true;
    if (m_hViewMenu)
        ModifyMenuA(m_hViewMenu, UINT(view), MF_BYCOMMAND | MF_STRING, UINT_PTR(view), text.c_str());
    CheckView(m_nView);
}

void CSndView::SetGenreViewAvailable(bool available)
{
    if (!m_hViewMenu)
        return;
    bool present = GetMenuState(m_hViewMenu, ID_VIEW_GENRE, MF_BYCOMMAND) != UINT(-1);
    if (available && !present)
        AppendMenuA(m_hViewMenu, MF_STRING, ID_VIEW_GENRE, m_strViewNames[ViewIndex(ID_VIEW_GENRE)].c_str());
    else if (!available && present)
        RemoveMenu(m_hViewMenu, ID_VIEW_GENRE, MF_BYCOMMAND);
}
