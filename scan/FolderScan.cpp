#include "FolderScan.h"
#include "FolderEntries.h"
#include "FolderTotal.h"
#include "catalogue/Extensions.h"
#include "catalogue/Messages.h"
#include "catalogue/ScanMath.h"
#include "catalogue/SearchRequests.h"
#include <atomic>
#include <memory>

namespace {

// One per search: every level of the folder recursion shares it. Two
// controls may search at once, so nothing here is process-wide.
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
    BOOL bCancel;             // cleared as each folder level starts
    uint32_t nEntries;        // file entries, modulo 10
    ProgressRecord progress;  // the record the host's answer lands in
    platform::TextCode code;  // of the requests and the paths handed out
};

// Bytes scanned in about the first 15 seconds of the process's first long
// search; taken once and kept for every later search.
std::atomic<uint32_t> g_nRate{0};

uint32_t MeasuredRate(uint64_t scanned)
{
    uint32_t unset = 0;
    g_nRate.compare_exchange_strong(unset, uint32_t(scanned));
    return g_nRate.load();
}

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Bytes per cluster of the volume whose root is given ("C:\" or "\\nas\music\"); 0 when unknown.
uint32_t ClusterBytes(const std::string& root, platform::TextCode code)
{
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    const BOOL ok =
        code == platform::CODE_UTF8
            ? GetDiskFreeSpaceW(W(platform::WidePath({root, code})), &sectors, &bytes, &freeClusters, &clusters)
            : GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &clusters);
    return ok ? sectors * bytes : 0;
}

void ScanFolder(const std::string& folder, const std::string& extensions, ScanContext& ctx)
{
    ctx.bCancel = FALSE;
    int32_t secondsLeft = 0;
    CFolderEntries entry(folder, ctx.code);
    if (!entry.Found())
        return;
    if (ctx.nStartTick == 0)
        ctx.nStartTick = GetTickCount();
    std::string ext;
    do {
        if (GetTickCount() - ctx.nStartTick > 15000) {
            if (uint32_t rate = MeasuredRate(ctx.nScannedBytes))
                secondsLeft = SecondsLeft(ctx.nTotalBytes, ctx.nScannedBytes, rate);
        }
        if (ctx.bCancel)
            break;
        if (entry.IsDots())
            continue;
        const std::string& name = entry.Name();
        const std::string path = folder + "\\" + name;
        if (entry.IsFolder()) {
            ScanFolder(path, extensions, ctx);
            ctx.nScannedBytes += ctx.nClusterBytes;
            continue; // folders are not entries of the count
        }
        if (GetExtension(name.c_str(), ext, ctx.code) && MatchExtension(extensions.c_str(), ext.c_str(), ctx.code)) {
            ctx.bFound = true;
            LRESULT reply = SendMessageA(ctx.hViewWnd, UM_FILEFOUND, WPARAM(path.c_str()), 0);
            if (reply != 0 && !MatchExtension(ctx.pHidden->c_str(), ext.c_str(), ctx.code))
                ++ctx.nFileCount;
        }
        ctx.nScannedBytes += ClusterRound(entry.Size(), ctx.nClusterBytes);
        if (++ctx.nEntries == 10) {
            ctx.nEntries = 0;
            SendMessageA(ctx.hViewWnd, UM_QUERYABORT, WPARAM(&ctx.bCancel), 0);
            if (ctx.bCancel)
                break;
            if (ctx.nTotalBytes > 0) {
                ctx.progress.nPercent = PercentDone(ctx.nScannedBytes, ctx.nTotalBytes);
                ctx.progress.lCount = int32_t(ctx.nFileCount);
                ctx.progress.lSecsLeft = secondsLeft;
                ctx.progress.bAbort = FALSE;
                SendMessageA(ctx.hViewWnd, UM_SEARCHPROGRESS, WPARAM(&ctx.progress), 0);
                ctx.bCancel = ctx.progress.bAbort;
            }
        }
        if (ctx.bCancel)
            break;
    } while (entry.Next());
    if (ctx.bCancel)
        ctx.bStopped = TRUE;
}

DWORD WINAPI ScanThread(LPVOID param)
{
    std::unique_ptr<ScanStart> start(static_cast<ScanStart*>(param));
    ScanContext ctx = {};
    ctx.hViewWnd = start->hViewWnd;
    ctx.nTotalBytes = start->nTotalBytes;
    ctx.pHidden = &start->strHidden;
    ctx.code = start->code;

    SendMessageA(GetParent(ctx.hViewWnd), UM_STARTSEARCH, 0, 0);
    BOOL stop = FALSE;
    // A folder root's progress runs against what lies below it, found before
    // the first file is offered; a root that cannot be listed is not walked.
    const size_t n = start->requests.size();
    std::vector<uint32_t> clusters(n, 0);
    std::vector<bool> walk(n, true);
    for (size_t i = 0; i < n && !stop; ++i) {
        const std::string& key = start->requests[i].first;
        if (!CSearchRequests::IsFolderKey(key))
            continue;
        clusters[i] = ClusterBytes(CSearchRequests::VolumeOf(key, ctx.code) + "\\", ctx.code);
        FolderTotal total = TotalOfFolder(key, clusters[i], ctx.code, ctx.hViewWnd);
        ctx.nTotalBytes += total.nBytes;
        walk[i] = total.bListed;
        stop = total.bStopped;
    }
    for (size_t i = 0; i < n; ++i) {
        SendMessageA(ctx.hViewWnd, UM_QUERYABORT, WPARAM(&stop), 0);
        if (stop)
            break;
        const auto& request = start->requests[i];
        const bool folder = CSearchRequests::IsFolderKey(request.first);
        ctx.nClusterBytes = folder ? clusters[i] : ClusterBytes(request.first + "\\", ctx.code);
        if (walk[i])
            ScanFolder(request.first, request.second, ctx);
    }
    ProgressRecord last = {100, int32_t(ctx.nFileCount), 0, FALSE};
    SendMessageA(ctx.hViewWnd, UM_SEARCHPROGRESS, WPARAM(&last), 0);
    SendMessageA(ctx.hViewWnd, UM_ENDSEARCH, ctx.bFound ? 1 : 0, 0);
    return (stop || ctx.bStopped) ? 1 : 0;
}

} // namespace

uint64_t DriveUsedSpace(const std::string& volume, platform::TextCode code)
{
    if (code == platform::CODE_UTF8) { // every system with the wide calls has the Ex form
        ULARGE_INTEGER freeToCaller, total, totalFree;
        if (!GetDiskFreeSpaceExW(W(platform::WidePath({volume, code})), &freeToCaller, &total, &totalFree))
            return 0;
        return total.QuadPart - freeToCaller.QuadPart;
    }
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
