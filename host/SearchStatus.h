// The status bar at the bottom of the frame: the search's progress bar, the
// number of files found and the time left, and the counts when it has ended.
#pragma once
#include <windows.h>

class CSearchStatus {
public:
    BOOL Create(HWND parent);
    HWND Handle() const { return m_hBar; }
    // Lays the bar out along the bottom of its parent; answers its height.
    int Layout();

    void Started();
    void Progress(int percent, long files, long secondsLeft);
    void Ended(long tagged, long mp3, long music);

private:
    void SetPart(int part, const char* text);
    HWND m_hBar = nullptr;
    HWND m_hProgress = nullptr;
};
