// CddbImport.exe: builds the index of a disc database folder, or of a dump
// archive (.tar.bz2, .tar.xz, .tar) read as it is, ahead of the component's
// first look-up, where the component looks for it, showing its progress.
// Ctrl+C (or Ctrl+Break) stops it after the batch under way; run again, it
// goes on from there. Damaged disc files are counted and skipped; an archive
// that cannot be read through (truncated, not an archive) fails the import
// and leaves no index file.
//
// usage: CddbImport.exe [--rebuild] [--index FILE] FOLDER|ARCHIVE
//   --rebuild      build afresh, even when the index is complete
//   --index FILE   the index file to write (default: the component's own)
// Exit code: 0 built or already complete, 1 failed, 2 usage, 3 stopped.
#include "DiscSystem.h"
#include "DumpArchive.h"
#include "IndexBuild.h"
#include "IndexFiles.h"
#include "StoredIndex.h"
#include <windows.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>

namespace {

std::atomic<bool> g_bStop{false};

BOOL WINAPI OnConsoleControl(DWORD dwType)
{
    if (dwType != CTRL_C_EVENT && dwType != CTRL_BREAK_EVENT)
        return FALSE;
    g_bStop = true;
    return TRUE;
}

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int Usage()
{
    std::fwprintf(stderr, L"usage: CddbImport.exe [--rebuild] [--index FILE] FOLDER|ARCHIVE\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    bool bRebuild = false;
    std::wstring folder, path;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--rebuild")
            bRebuild = true;
        else if (arg == L"--index" && i + 1 < argc)
            path = argv[++i];
        else if (!arg.empty() && arg[0] != L'-' && folder.empty())
            folder = arg;
        else
            return Usage();
    }
    if (folder.empty())
        return Usage();
    const std::wstring stamp = DumpStamp(folder);
    if (stamp.empty()) {
        std::fwprintf(stderr, L"CddbImport: %ls is no folder or archive that can be read\n", folder.c_str());
        return 1;
    }
    const bool bOwnFile = path.empty();
    if (bOwnFile)
        path = IndexFilePath(folder, stamp);
    if (path.empty()) {
        std::fwprintf(stderr, L"CddbImport: no folder for the index (local application data)\n");
        return 1;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    discsys::CIndexLock lock(IndexLockName(folder));
    auto db = std::make_unique<CSqlite>();
    if (db->Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, 30000) != SQLITE_OK) {
        std::fwprintf(stderr, L"CddbImport: %ls cannot be opened\n", path.c_str());
        return 1;
    }
    if (!bRebuild) {
        if (auto index = CStoredIndex::Adopt(db, stamp)) {
            std::wprintf(L"%ls: complete, %zu discs, %zu damaged files skipped\n", path.c_str(), index->DiscCount(),
                         index->SkippedCount());
            return 0;
        }
    }
    std::wprintf(L"%ls\n  from %ls\n", path.c_str(), folder.c_str());
    const double start = Seconds();
    double shown = 0;
    size_t nFirst = SIZE_MAX, nShown = 0;
    auto progress = [&](const CBuildProgress& p) {
        if (nFirst == SIZE_MAX) {
            nFirst = p.m_bArchive ? p.m_nEntries : p.m_nDiscs;
            if (p.m_bResumed && p.m_bArchive)
                std::wprintf(L"  going on from a stopped build at %zu disc entries\n", p.m_nEntries);
            else if (p.m_bResumed)
                std::wprintf(L"  going on from a stopped build at %zu discs\n", p.m_nDiscs);
        }
        // A line a second, and the first batch's at once.
        const double now = Seconds();
        if (p.m_bArchive && (now - shown >= 1 || g_bStop || (nShown == nFirst && p.m_nEntries > nFirst))) {
            nShown = p.m_nEntries;
            shown = now;
            const double rate = now > start ? double(p.m_nEntries - std::min(nFirst, p.m_nEntries)) / (now - start) : 0;
            std::wprintf(L"  %zu disc entries, %.0f %% of the archive read; %.0f entries/s\n", p.m_nEntries,
                         p.m_nBytes ? 100.0 * double(p.m_nBytesRead) / double(p.m_nBytes) : 100.0, rate);
            std::fflush(stdout);
        } else if (!p.m_bArchive && (now - shown >= 1 || g_bStop || (nShown == nFirst && p.m_nDiscs > nFirst))) {
            nShown = p.m_nDiscs;
            shown = now;
            const double rate = now > start ? double(p.m_nDiscs - std::min(nFirst, p.m_nDiscs)) / (now - start) : 0;
            std::wprintf(L"  %zu discs, %zu damaged; category %zu of %zu (%ls); %.0f discs/s\n", p.m_nDiscs,
                         p.m_nSkipped, p.m_nCategory + 1, p.m_nCategories,
                         p.m_strCategory.empty() ? L"the folder itself" : p.m_strCategory.c_str(), rate);
            std::fflush(stdout);
        }
        return !g_bStop;
    };
    std::wstring error;
    const EBuild result = BuildIndex(*db, folder, stamp, bRebuild, progress, error);
    if (result == EBuild::Unreadable) {
        // Nothing of it is an index: the file goes.
        db.reset();
        discsys::RemoveFile(path);
        std::fwprintf(stderr, L"CddbImport: %ls: %ls\n", folder.c_str(), error.c_str());
        return 1;
    }
    if (result == EBuild::Failed) {
        std::fwprintf(stderr, L"CddbImport: %ls\n", error.c_str());
        return 1;
    }
    if (result == EBuild::Stopped) {
        std::wprintf(L"stopped; run again to go on\n");
        return 3;
    }
    auto index = CStoredIndex::Adopt(db, stamp);
    if (!index) {
        std::fwprintf(stderr, L"CddbImport: the index fails its check\n");
        return 1;
    }
    if (bOwnFile)
        RemoveOtherIndexFiles(folder, path);
    std::wprintf(L"complete: %zu discs, %zu damaged files skipped, %.1f s\n", index->DiscCount(),
                 index->SkippedCount(), Seconds() - start);
    return 0;
}
