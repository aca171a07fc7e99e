// The folder watch: 1,000 files arriving in a watched folder, from the end of
// the copy until the last one is shown, against a search that finds the same
// 1,000 files, in the same run; and an idle watch of a large library: the
// process's CPU time and memory over a minute with the watch on, against the
// same minute with it off.
//
// usage: bench_watch.exe DRIVE [FILES [IDLE_FILES [IDLE_SECONDS]]]   (DRIVE: an empty drive, such as T:)
#include "host/ControlClient.h"
#include "host/EventSink.h"
#include "HostedSearch.h"
#include <windows.h>
#include <ocidl.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class CCounting : public CEventSink {
public:
    int offered = 0, added = 0, ends = 0;
    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        if (id == 1 && dp->cArgs == 5) {
            ++offered;
            *dp->rgvarg[0].pboolVal = VARIANT_TRUE;
        } else if (id == 3) {
            ++ends;
        } else if (id == 14 && dp->cArgs == 3) {
            added += dp->rgvarg[2].lVal;
        }
    }
};

// A control on a frame of its own, searching one folder.
struct CHostedFolder {
    HWND frame = nullptr, ax = nullptr;
    IDispatch* ctrl = nullptr;
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    CCounting host;

    explicit CHostedFolder(const std::string& folder)
    {
        frame = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                nullptr, nullptr);
        ctrl = HostByProgId(frame, 0, 0, 400, 300, &ax);
        if (!ctrl || !AdviseEvents(ctrl, DIID_TarnwickEvents, &host, &cp, &cookie)) {
            std::fprintf(stderr, "bench: the control is not registered\n");
            std::exit(1);
        }
        InvokeByName(ctrl, L"FolderSearch", DISPATCH_PROPERTYPUT, {LongArg(1)});
        InvokeByName(ctrl, L"AddSearch", DISPATCH_METHOD,
                     {StrArg(folder), StringArrayArg({"*.mp3"}), LongArg(1)});
    }
    ~CHostedFolder()
    {
        cp->Unadvise(cookie);
        cp->Release();
        ctrl->Release();
        DestroyWindow(frame);
    }
    void Watch(bool on) { InvokeByName(ctrl, L"WatchFolders", DISPATCH_PROPERTYPUT, {LongArg(on ? 1 : 0)}); }
    // The whole search, in seconds.
    double Search()
    {
        const int ends = host.ends;
        double start = Now();
        InvokeByName(ctrl, L"BeginSearch", DISPATCH_METHOD, {});
        PumpUntil([&] { return host.ends > ends; });
        return Now() - start;
    }
    template <class Done>
    static void PumpUntil(const Done& done)
    {
        MSG msg;
        while (!done()) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            else
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
};

const std::string& Mp3()
{
    static std::string bytes;
    if (bytes.empty()) {
        std::string tag(128, '\0');
        tag.replace(0, 3, "TAG");
        tag.replace(3, 10, "Some Title");
        tag.replace(33, 11, "Some Artist");
        tag.replace(63, 10, "Some Album");
        bytes = std::string(512, '\x55') + tag;
    }
    return bytes;
}

void WriteFiles(const std::string& folder, int files)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        HANDLE h = CreateFileA((folder + "\\track " + std::to_string(i) + ".mp3").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        DWORD n;
        WriteFile(h, Mp3().data(), DWORD(Mp3().size()), &n, nullptr);
        CloseHandle(h);
    }
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto s = [](const FILETIME& t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return s(kernel) + s(user);
}

double MemoryMb()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return double(pmc.PagefileUsage) / (1024.0 * 1024.0);
}

// The process's CPU seconds while it answers messages for that long.
double IdleCpu(double seconds)
{
    const double cpu = CpuSeconds(), until = Now() + seconds;
    CHostedFolder::PumpUntil([&] { return Now() >= until; });
    return CpuSeconds() - cpu;
}

void Arrival(const std::string& drive, int files)
{
    const std::string root = drive + "\\arrive";
    std::vector<double> ratios, shown, searched;
    for (int run = 0; run < 3; ++run) {
        RemoveTree(root);
        CreateDirectoryA(root.c_str(), nullptr);
        WriteFiles(root + "\\searched", files);
        double search;
        {
            CHostedFolder a(root + "\\searched");
            search = a.Search();
        }
        CreateDirectoryA((root + "\\watched").c_str(), nullptr);
        CHostedFolder b(root + "\\watched");
        b.Search();
        b.Watch(true);
        WriteFiles(root + "\\watched", files);
        const double copied = Now();
        CHostedFolder::PumpUntil([&] { return b.host.added >= files; });
        const double wait = Now() - copied;
        ratios.push_back(wait / search);
        shown.push_back(wait);
        searched.push_back(search);
        b.Watch(false);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(shown.begin(), shown.end());
    std::sort(searched.begin(), searched.end());
    std::printf("watch: %d files arriving, end of the copy to the last shown: %.0f ms; a search of them: %.0f ms; "
                "ratio %.2f (median of 3, range %.2f-%.2f)\n",
                files, shown[1] * 1000, searched[1] * 1000, ratios[1], ratios[0], ratios[2]);
    RemoveTree(root);
}

// Ten files a folder.
void MakeLibrary(const std::string& root, int files)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (int folder = 0; folder * 10 < files; ++folder) {
        std::string group = root + "\\g" + std::to_string(folder / 100);
        if (folder % 100 == 0)
            CreateDirectoryA(group.c_str(), nullptr);
        WriteFiles(group + "\\album " + std::to_string(folder), std::min(10, files - folder * 10));
    }
}

void Idle(const std::string& drive, int files, double seconds)
{
    const std::string root = drive + "\\idle";
    RemoveTree(root);
    double start = Now();
    MakeLibrary(root, files);
    std::printf("watch: idle library of %d files in %d folders made in %.1f s\n", files, (files + 9) / 10,
                Now() - start);
    CHostedFolder c(root);
    double search = c.Search();
    const double memOff = MemoryMb();
    const double cpuOff = IdleCpu(seconds);
    const double cpu = CpuSeconds();
    c.Watch(true);
    IdleCpu(10); // the watch opens every folder once as it starts
    const double startCpu = CpuSeconds() - cpu;
    const double cpuOn = IdleCpu(seconds);
    const double memOn = MemoryMb();
    std::printf("watch: idle over %.0f s, %d files (searched in %.1f s): CPU %.3f s watching, %.3f s not; "
                "memory %.1f MB watching, %.1f MB not (%+.2f %%); the watch's start and first 10 s: %.2f s of CPU\n",
                seconds, c.host.offered, search, cpuOn, cpuOff, memOn, memOff, 100.0 * (memOn - memOff) / memOff,
                startCpu);
    c.Watch(false);
    RemoveTree(root);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_watch.exe DRIVE [FILES [IDLE_FILES [IDLE_SECONDS]]]\n");
        return 2;
    }
    const std::string drive = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int idleFiles = argc > 3 ? std::atoi(argv[3]) : 100000;
    const double idleSeconds = argc > 4 ? std::atof(argv[4]) : 60;
    OleInitialize(nullptr);
    if (!InitAtlHosting()) {
        std::fprintf(stderr, "bench: no ATL host window\n");
        return 1;
    }
    Arrival(drive, files);
    Idle(drive, idleFiles, idleSeconds);
    OleUninitialize();
    return 0;
}
