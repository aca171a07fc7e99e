#include "FolderScan.h"
#include "Extensions.h"
#include "Messages.h"
#include "ScanMath.h"
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

// UTF-8 as the wide calls take it (wchar_t is 16 bits here).
std::u16string Wide(const std::string& text) { return platform::Utf8ToWide(text); }
const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The entries of one folder, through the ANSI calls or, for UTF-8 names, the
// wide ones.
class CFolderEntries {
public:
    CFolderEntries(const std::string& folder, platform::TextCode code) : m_bWide(code == platform::CODE_UTF8)
    {
        const std::string pattern = folder + "\\*";
        m_hFind = m_bWide ? FindFirstFileW(W(Wide(pattern)), &m_w) : FindFirstFileA(pattern.c_str(), &m_a);
        Take();
    }
    ~CFolderEntries()
    {
        if (m_hFind != INVALID_HANDLE_VALUE)
            FindClose(m_hFind);
    }
    CFolderEntries(const CFolderEntries&) = delete;
    CFolderEntries& operator=(const CFolderEntries&) = delete;

    bool Found() const { return m_hFind != INVALID_HANDLE_VALUE; }
    bool Next()
    {
        if (!(m_bWide ? FindNextFileW(m_hFind, &m_w) : FindNextFileA(m_hFind, &m_a)))
            return false;
        Take();
        return true;
    }
    const std::string& Name() const { return m_strName; }
    DWORD Attributes() const { return m_bWide ? m_w.dwFileAttributes : m_a.dwFileAttributes; }
    uint64_t Size() const
    {
        return m_bWide ? (uint64_t(m_w.nFileSizeHigh) << 32) | m_w.nFileSizeLow
                       : (uint64_t(m_a.nFileSizeHigh) << 32) | m_a.nFileSizeLow;
    }

private:
    void Take()
    {
        if (!Found())
            return;
        if (m_bWide)
            m_strName = platform::WideToUtf8(reinterpret_cast<const uint16_t*>(m_w.cFileName), wcslen(m_w.cFileName));
        else
            m_strName = m_a.cFileName;
    }

    bool m_bWide;
    HANDLE m_hFind;
    WIN32_FIND_DATAA m_a;
    WIN32_FIND_DATAW m_w;
    std::string m_strName;
};

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
        const std::string& name = entry.Name();
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        const DWORD attributes = entry.Attributes();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_HIDDEN)) {
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
    for (const auto& request : start->requests) {
        SendMessageA(ctx.hViewWnd, UM_QUERYABORT, WPARAM(&stop), 0);
        if (stop)
            break;
        DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
        const std::string root = request.first + "\\";
        ctx.nClusterBytes = (ctx.code == platform::CODE_UTF8
                                 ? GetDiskFreeSpaceW(W(Wide(root)), &sectors, &bytes, &freeClusters, &clusters)
                                 : GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &clusters))
                                ? sectors * bytes
                                : 0;
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
        if (!GetDiskFreeSpaceExW(W(Wide(volume)), &freeToCaller, &total, &totalFree))
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
