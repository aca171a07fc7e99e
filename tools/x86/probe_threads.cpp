// The thread pattern of two searching controls with no control at all, to tell
// the emulator's faults from ours: two workers, started back to back, send 2,000
// and 9 blocking messages to windows of the main thread, which pumps until both
// have ended. Build and run it in the 32-bit tier's root:
//   i686-w64-mingw32-g++-posix -O2 -static -o probe_threads.exe tools/x86/probe_threads.cpp
//   wine probe_threads.exe [ROUNDS [GAP_MS]]
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <atomic>

static std::atomic<int> g_ended{0};
static const UINT UM_FOUND = WM_APP + 1, UM_END = WM_APP + 2;
struct Job { HWND wnd; int count; };

static DWORD WINAPI Worker(LPVOID p)
{
    Job* job = static_cast<Job*>(p);
    for (int i = 0; i < job->count; ++i) {
        std::string path = "T:\\tree\\f" + std::to_string(i) + ".mp3";
        SendMessageA(job->wnd, UM_FOUND, WPARAM(path.c_str()), 0);
    }
    SendMessageA(job->wnd, UM_END, 0, 0);
    return 0;
}

static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == UM_FOUND) { char* copy = strdup(reinterpret_cast<const char*>(w)); free(copy); return 1; }
    if (m == UM_END) { ++g_ended; return 0; }
    return DefWindowProcA(h, m, w, l);
}

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 5;
    int gap = argc > 2 ? atoi(argv[2]) : 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "probe";
    RegisterClassA(&wc);
    for (int r = 0; r < rounds; ++r) {
        HWND a = CreateWindowA("probe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        HWND b = CreateWindowA("probe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        Job ja{a, 2000}, jb{b, 9};
        g_ended = 0;
        DWORD t0 = GetTickCount();
        HANDLE ta = CreateThread(nullptr, 0, Worker, &ja, 0, nullptr);
        if (gap) Sleep(gap);
        HANDLE tb = CreateThread(nullptr, 0, Worker, &jb, 0, nullptr);
        MSG msg;
        while (g_ended < 2) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            else MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        WaitForSingleObject(ta, INFINITE); WaitForSingleObject(tb, INFINITE);
        CloseHandle(ta); CloseHandle(tb);
        DestroyWindow(a); DestroyWindow(b);
        printf("round %d: both ended in %lu ms\n", r, GetTickCount() - t0);
        fflush(stdout);
    }
    printf("probe: %d rounds passed\n", rounds);
    return 0;
}
