#include "FolderScan.h"
#include "Extensions.h"
#include "Messages.h"
#include "ScanMath.h"
#include "SearchRequests.h"
#include <cstring>
#include <memory>

namespace {

struct ScanContext {
    BOOL bStopped;
    HWND hViewWnd;
    uint32_t nClusterBytes;
    uint32_t nFileCount;
    uint64_t nScannedBytes;
    uint64_t nTotalBytes;
    uint32_t nStartTick;
    const std::string* pHidden;
    bool bFound;
};

// One search runs at a time in a process; these carry over between searches.
BOOL g_bCancel;
uint32_t g_nEntries;
uint32_t g_nRate;
ProgressRecord g_progress;

void ScanFolder(const std::string& folder, const std::string& extensions, ScanContext& ctx)
{
    g_bCancel = FALSE;
    int32_t secondsLeft = 0;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    if (ctx.nStartTick == 0)
        ctx.nStartTick = GetTickCount();
    std::string ext;
    do {
        if (GetTickCount() - ctx.nStartTick > 15000) {
            if (g_nRate == 0)
                g_nRate = uint32_t(ctx.nScannedBytes);
            if (g_nRate != 0)
                secondsLeft = SecondsLeft(ctx.nTotalBytes, ctx.nScannedBytes, g_nRate);
        }
        if (g_bCancel)
            break;
        if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0)
            continue;
        const std::string path = folder + "\\" + fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
            ScanFolder(path, extensions, ctx);
            ctx.nScannedBytes += ctx.nClusterBytes;
            continue; // folders are not entries of the count
        }
        if (GetExtension(fd.cFileName, ext) && MatchExtension(extensions.c_str(), ext.c_str())) {
            ctx.bFound = true;
            LRESULT reply = SendMessageA(ctx.hViewWnd, UM_FILEFOUND, WPARAM(path.c_str()), 0);
            if (reply != 0 && !MatchExtension(ctx.pHidden->c_str(), ext.c_str()))
                ++ctx.nFileCount;
        }
        ctx.nScannedBytes += ClusterRound((uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow, ctx.nClusterBytes);
        if (++g_nEntries == 10) {
            g_nEntries = 0;
            SendMessageA(ctx.hViewWnd, UM_QUERYABORT, WPARAM(&g_bCancel), 0);
            if (g_bCancel)
                break;
            if (ctx.nTotalBytes > 0) {
                g_progress.nPercent = PercentDone(ctx.nScannedBytes, ctx.nTotalBytes);
                g_progress.lCount = int32_t(ctx.nFileCount);
                g_progress.lSecsLeft = secondsLeft;
                g_progress.bAbort = FALSE;
                SendMessageA(ctx.hViewWnd, UM_SEARCHPROGRESS, WPARAM(&g_progress), 0);
                g_bCancel = g_progress.bAbort;
            }
        }
        if (g_bCancel)
            break;
    } while (FindNextFileA(find, &fd));
    if (g_bCancel)
        ctx.bStopped = TRUE;
    FindClose(find);
}

DWORD WINAPI ScanThread(LPVOID param)
{
    std::unique_ptr<ScanStart> start(static_cast<ScanStart*>(param));
    const CSearchRequests& requests = *start->pRequests;
    ScanContext ctx = {};
    ctx.hViewWnd = start->hViewWnd;
    ctx.nTotalBytes = start->nTotalBytes;
    ctx.pHidden = start->pHidden;
    start.reset();

    SendMessageA(GetParent(ctx.hViewWnd), UM_STARTSEARCH, 0, 0);
    BOOL stop = FALSE;
    for (const auto& request : requests.Requests()) {
        std::string extensions = CSearchRequests::ExtensionList(request.second);
        SendMessageA(ctx.hViewWnd, UM_QUERYABORT, WPARAM(&stop), 0);
        if (stop)
            break;
        DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
        ctx.nClusterBytes = GetDiskFreeSpaceA((request.first + "\\").c_str(), &sectors, &bytes, &freeClusters, &clusters)
                                ? sectors * bytes
                                : 0;
        ScanFolder(request.first, extensions, ctx);
    }
    ProgressRecord last = {100, int32_t(ctx.nFileCount), 0, FALSE};
    SendMessageA(ctx.hViewWnd, UM_SEARCHPROGRESS, WPARAM(&last), 0);
    SendMessageA(ctx.hViewWnd, UM_ENDSEARCH, ctx.bFound ? 1 : 0, 0);
    return (stop || ctx.bStopped) ? 1 : 0;
}

} // namespace

uint64_t DriveUsedSpace(const std::string& volume)
{
    using GetFreeEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto getFreeEx = reinterpret_cast<GetFreeEx>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    if (getFreeEx) {
        ULARGE_INTEGER freeToCaller, total, totalFree;
        if (!getFreeEx(volume.c_str(), &freeToCaller, &total, &totalFree))
            return 0;
        return total.QuadPart - freeToCaller.QuadPart;
    }
    DWORD sectors, bytes, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(volume.c_str(), &sectors, &bytes, &freeClusters, &clusters))
        return 0;
    return uint32_t((clusters - freeClusters) * sectors * bytes);
}

HANDLE StartScan(ScanStart* start)
{
    HANDLE thread = CreateThread(nullptr, 0, ScanThread, start, 0, nullptr);
    if (!thread)
        delete start;
    return thread;
}
