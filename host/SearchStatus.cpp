#include "SearchStatus.h"
#include "AudioLength.h"
#include <commctrl.h>
#include <cstdio>

namespace {
const int PART_PROGRESS = 0, PART_FILES = 1, PART_TIME = 2;
}

BOOL CSearchStatus::Create(HWND parent)
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    m_hBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                             nullptr, module, nullptr);
    if (!m_hBar)
        return FALSE;
    m_hProgress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, 0, 0, m_hBar,
                                  nullptr, module, nullptr);
    SendMessageA(m_hProgress, PBM_SETRANGE32, 0, 100);
    SetPart(PART_FILES, "Ready");
    return m_hProgress != nullptr;
}

int CSearchStatus::Layout()
{
    SendMessageA(m_hBar, WM_SIZE, 0, 0);
    int widths[] = {200, 380, -1};
    SendMessageA(m_hBar, SB_SETPARTS, 3, LPARAM(widths));
    RECT part;
    if (SendMessageA(m_hBar, SB_GETRECT, PART_PROGRESS, LPARAM(&part)))
        MoveWindow(m_hProgress, part.left + 2, part.top + 2, part.right - part.left - 4, part.bottom - part.top - 4,
                   TRUE);
    RECT bar;
    GetWindowRect(m_hBar, &bar);
    return bar.bottom - bar.top;
}

void CSearchStatus::SetPart(int part, const char* text) { SendMessageA(m_hBar, SB_SETTEXTA, WPARAM(part), LPARAM(text)); }

void CSearchStatus::Started()
{
    SendMessageA(m_hProgress, PBM_SETPOS, 0, 0);
    SetPart(PART_FILES, "Searching...");
    SetPart(PART_TIME, "");
}

void CSearchStatus::Progress(int percent, long files, long secondsLeft)
{
    SendMessageA(m_hProgress, PBM_SETPOS, WPARAM(percent), 0);
    char text[64];
    std::snprintf(text, sizeof text, "%ld files found", files);
    SetPart(PART_FILES, text);
    std::snprintf(text, sizeof text, "%s left", TimeText(secondsLeft < 0 ? 0 : secondsLeft).c_str());
    SetPart(PART_TIME, text);
}

void CSearchStatus::Ended(long tagged, long mp3, long music)
{
    SendMessageA(m_hProgress, PBM_SETPOS, 100, 0);
    char text[96];
    std::snprintf(text, sizeof text, "%ld music files", music);
    SetPart(PART_FILES, text);
    std::snprintf(text, sizeof text, "Done: %ld MP3 files, %ld of them tagged", mp3, tagged);
    SetPart(PART_TIME, text);
}
