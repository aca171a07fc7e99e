// Modal windows seen from a timer while their loop runs: a pop-up menu or a
// dialog. The watcher reads the window once it shows and closes it; if it
// stays up regardless, the watcher gives up on it after a while.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct ModalWatch {
    std::string className;
    HWND except = nullptr;
    std::function<void(HWND)> seen;    // once, when the window shows
    std::function<void(HWND)> giveUp;  // when it stays up regardless
    int ticks = 0;
};
inline ModalWatch g_watch;

inline BOOL CALLBACK FindModal(HWND hwnd, LPARAM lp)
{
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (hwnd != g_watch.except && IsWindowVisible(hwnd) && g_watch.className == name) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

inline void CALLBACK WatchModal(HWND, UINT, UINT_PTR, DWORD)
{
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModal, LPARAM(&window));
    if (!window && g_watch.className == "#32768") // menus belong to no thread's window list under every system
        window = FindWindowA("#32768", nullptr);
    if (!window || !IsWindowVisible(window))
        return;
    if (++g_watch.ticks == 1)
        g_watch.seen(window);
    else if (g_watch.ticks > 40 && g_watch.giveUp)
        g_watch.giveUp(window);
}

// Runs `open`, which shows the modal window and returns once it has closed.
inline void WhileModal(const char* className, const std::function<void()>& open, std::function<void(HWND)> seen,
                       std::function<void(HWND)> giveUp, HWND except = nullptr)
{
    g_watch = {className, except, std::move(seen), std::move(giveUp), 0};
    UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchModal);
    open();
    KillTimer(nullptr, timer);
}

struct MenuSeen {
    bool shown = false;
    RECT rect = {};
    std::vector<std::string> texts;  // the entries, in order
    std::vector<UINT> states;        // GetMenuState of each entry, by position
    bool Greyed(size_t i) const { return i < states.size() && (states[i] & MF_GRAYED); }
    bool Checked(size_t i) const { return i < states.size() && (states[i] & MF_CHECKED); }
};

// Opens a menu with `open`; once it shows, `keys` go to it.
inline MenuSeen Menu(const std::function<void()>& open, std::vector<WPARAM> keys)
{
    MenuSeen seen;
    WhileModal("#32768", open, [&](HWND menu) {
        HMENU h = HMENU(SendMessageA(menu, MN_GETHMENU, 0, 0));
        seen.shown = true;
        GetWindowRect(menu, &seen.rect);
        for (int i = 0, n = GetMenuItemCount(h); i < n; ++i) {
            char text[128] = {};
            GetMenuStringA(h, UINT(i), text, sizeof text, MF_BYPOSITION);
            seen.texts.push_back(text);
            seen.states.push_back(GetMenuState(h, UINT(i), MF_BYPOSITION));
        }
        for (WPARAM vk : keys)
            PostMessageA(menu, WM_KEYDOWN, vk, 0);
    }, [](HWND) { EndMenu(); });
    return seen;
}
