// A pop-up menu seen from a timer while its modal loop runs: whether it
// showed, where, and its entries; keys typed into it once it shows.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct MenuSeen {
    bool shown = false;
    RECT rect = {};
    std::vector<std::string> texts;  // the entries, in order
    std::vector<UINT> states;        // GetMenuState of each entry, by position
    bool Greyed(size_t i) const { return i < states.size() && (states[i] & MF_GRAYED); }
    bool Checked(size_t i) const { return i < states.size() && (states[i] & MF_CHECKED); }
};

inline MenuSeen g_seen;
inline std::vector<WPARAM> g_menuKeys;
inline int g_menuTicks;

inline void CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    if (++g_menuTicks > 1) { // the keys did not close it
        if (g_menuTicks > 40)
            EndMenu();
        return;
    }
    HMENU h = HMENU(SendMessageA(menu, MN_GETHMENU, 0, 0));
    g_seen.shown = true;
    GetWindowRect(menu, &g_seen.rect);
    for (int i = 0, n = GetMenuItemCount(h); i < n; ++i) {
        char text[128] = {};
        GetMenuStringA(h, UINT(i), text, sizeof text, MF_BYPOSITION);
        g_seen.texts.push_back(text);
        g_seen.states.push_back(GetMenuState(h, UINT(i), MF_BYPOSITION));
    }
    for (WPARAM vk : g_menuKeys)
        PostMessageA(menu, WM_KEYDOWN, vk, 0);
}

// Opens a menu with `open`; once it shows, `keys` go to it.
inline MenuSeen Menu(const std::function<void()>& open, std::vector<WPARAM> keys)
{
    g_seen = {};
    g_menuKeys = keys;
    g_menuTicks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchMenu);
    open();
    KillTimer(nullptr, timer);
    return g_seen;
}
