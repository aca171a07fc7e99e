// Scan throughput: a whole search through the control, hosted in the
// system's ATL host window with a host that accepts every file, against a bare
// walk of the same tree that opens each matching file and reads its last 128
// bytes, measured in the same run; and against the floor of the search's
// design: the same walk and tag reads on a thread of their own, with the same
// blocking sends (one a matching file, two every ten file entries) to a
// window of the main thread that answers them at once.
//
// usage: bench_scan.exe DRIVE FILES...   (DRIVE: an empty drive, such as T:)
#include "host/ControlClient.h"
#include "BenchTree.h"
#include "HostedSearch.h"
#include <windows.h>
#include <ocidl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The plain reader's work on an MP3 file: its last 128 bytes.
void ReadTag(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char tag[128];
    DWORD n;
    SetFilePointer(h, -128, nullptr, FILE_END);
    ReadFile(h, tag, 128, &n, nullptr);
    CloseHandle(h);
}

// The bare walk; with readTags, every MP3 is opened and its last 128 bytes read.
int Walk(const std::string& root, bool readTags)
{
    int found = 0;
    ForEachFile(root, [&](const std::string& path, const std::string& ext) {
        if (ext != ".mp3" && ext != ".wav")
            return;
        ++found;
        if (readTags && ext == ".mp3")
            ReadTag(path);
    });
    return found;
}

// The floor: the walk on a worker that sends what the search's worker sends.
enum : UINT { WM_FOUND = WM_APP + 1, WM_POLL, WM_PROGRESS, WM_WALKED };

struct FloorWalk {
    std::string strRoot;
    HWND hTarget = nullptr;
    int nEntries = 0;
};

void WalkSending(FloorWalk& w)
{
    ForEachFile(w.strRoot, [&](const std::string& path, const std::string& ext) {
        if (ext == ".mp3" || ext == ".wav") {
            SendMessageA(w.hTarget, WM_FOUND, WPARAM(path.c_str()), 0);
            if (ext == ".mp3")
                ReadTag(path);
        }
        if (++w.nEntries == 10) {
            w.nEntries = 0;
            SendMessageA(w.hTarget, WM_POLL, 0, 0);
            SendMessageA(w.hTarget, WM_PROGRESS, 0, 0);
        }
    });
}

DWORD WINAPI FloorThread(LPVOID param)
{
    FloorWalk& w = *static_cast<FloorWalk*>(param);
    WalkSending(w);
    SendMessageA(w.hTarget, WM_WALKED, 0, 0);
    return 0;
}

bool g_bWalked = false;
int g_nFound = 0;

LRESULT CALLBACK AnswerAtOnce(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_FOUND)
        ++g_nFound;
    else if (msg == WM_WALKED)
        g_bWalked = true;
    else if (msg < WM_FOUND || msg > WM_WALKED)
        return DefWindowProcA(hwnd, msg, wp, lp);
    return 0;
}

// Seconds, from the worker's start to its last send, with the main thread
// waiting for messages as it does during a search.
double Floor(const std::string& root, int& found)
{
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = AnswerAtOnce;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BenchScanFloor";
        return RegisterClassA(&wc);
    }();
    FloorWalk w;
    w.strRoot = root;
    w.hTarget = CreateWindowExA(0, MAKEINTATOM(atom), "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
    g_bWalked = false;
    g_nFound = 0;
    double start = Now();
    HANDLE thread = CreateThread(nullptr, 0, FloorThread, &w, 0, nullptr);
    MSG msg;
    while (!g_bWalked) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    double seconds = Now() - start;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    DestroyWindow(w.hTarget);
    found = g_nFound;
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_scan DRIVE FILES...\n");
        return 2;
    }
    OleInitialize(nullptr);
    const std::string drive = argv[1];
    for (int a = 2; a < argc; ++a) {
        int files = std::atoi(argv[a]);
        std::string root = drive + "\\tree" + std::to_string(files);
        MakeTree(root, files);
        Walk(root, true); // the first walk warms the caches for all that follow
        double walk = 1e30, baseline = 1e30, floor = 1e30, control = 1e30, unicode = 1e30;
        int matched = 0, offered = 0, sent = 0;
        for (int rep = 0; rep < 2; ++rep) {
            double t0 = Now();
            Walk(root, false);
            walk = std::min(walk, Now() - t0);
            t0 = Now();
            matched = Walk(root, true);
            baseline = std::min(baseline, Now() - t0);
            floor = std::min(floor, Floor(root, sent));
            SearchRun run = HostedSearch(drive + "\\tree" + std::to_string(files), {"*.mp3", "*.wav"}, 200);
            control = std::min(control, run.seconds);
            offered = run.offered;
            SearchRun wide = HostedSearch(drive + "\\tree" + std::to_string(files), {"*.mp3", "*.wav"}, 200,
                                          [](IDispatch* d) { Put(d, L"UnicodeNames", VBool(true)); });
            unicode = std::min(unicode, wide.seconds);
            if (wide.offered != run.offered)
                offered = -1;
        }
        if (sent != matched || offered != matched) {
            std::fprintf(stderr, "bench_scan: %d matching files, %d sent by the floor, %d offered\n", matched, sent,
                         offered);
            return 1;
        }
        std::printf("scan of %d entries (%d matching, %d offered):\n", files, matched, offered);
        std::printf("  control %8.0f ms   baseline %8.0f ms   ratio %.2f (aim 2.5)\n", control * 1e3, baseline * 1e3,
                    control / baseline);
        std::printf("  control %8.0f ms   floor    %8.0f ms   ratio %.2f (aim 1.15)\n", control * 1e3, floor * 1e3,
                    control / floor);
        std::printf("  with UnicodeNames %8.0f ms   off      %8.0f ms   ratio %.2f (aim 1.10)\n", unicode * 1e3,
                    control * 1e3, unicode / control);
        std::printf("  where the time goes, per matching file: walk %.1f us, tag read %.1f us, "
                    "the sends %.1f us, events and catalogue %.1f us\n",
                    walk * 1e6 / matched, (baseline - walk) * 1e6 / matched, (floor - baseline) * 1e6 / matched,
                    (control - floor) * 1e6 / matched);
    }
    OleUninitialize();
    return 0;
}
