// Track look-up through CddbLocal.dll from a plain client on a disc database:
// the index held in memory (as the component once built it in every process)
// and the index file imported from the same folder, each reported per 10,000
// discs beside the floor of listing and reading the files; the first answer
// of a new process on the index file and its memory then; and one
// identification per music file of a library of untagged files, each followed
// by the calls the control makes for it (the disc's texts and track title, or
// the first candidate and its track titles), on the index file (directly and
// through the component) against the same look-ups on the index in memory,
// measured in the same run.
//
// usage: bench_lookup.exe DATABASE LIBRARY [FILES]
//   DATABASE and LIBRARY as make_cddb.py writes them; CddbLocal.dll registered.
// bench_lookup.exe --first-answer DATABASE PATH is the new process it starts.
#include "cddb/DiscSystem.h"
#include "cddb/DumpFolder.h"
#include "cddb/IndexBuild.h"
#include "cddb/IndexFiles.h"
#include "cddb/MemoryIndex.h"
#include "lookup/CddbApi.h"
#include <windows.h>
#include <psapi.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::wstring Wide(const char* s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::wstring out(size_t(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, s, -1, &out[0], n);
    return out;
}

void Collect(const std::wstring& folder, size_t limit, std::vector<std::wstring>& paths)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Collect(folder + L"\\" + name, limit, paths);
        else if (paths.size() < limit)
            paths.push_back(folder + L"\\" + name);
    } while (paths.size() < limit && FindNextFileW(find, &fd));
    FindClose(find);
}

// Lists and reads every file below the database folder without parsing: the
// floor under the index build.
size_t ReadAll(const std::wstring& folder)
{
    size_t files = 0;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    static char buffer[1 << 16];
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files += ReadAll(folder + L"\\" + name);
            continue;
        }
        HANDLE h = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        DWORD n = 0;
        ReadFile(h, buffer, sizeof buffer, &n, nullptr);
        CloseHandle(h);
        ++files;
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return files;
}

// The process's own memory (committed, private); bWorkingSet: all it has in
// memory, the pages of mapped files included.
double MemoryMb(bool bWorkingSet = false)
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return double(bWorkingSet ? pmc.WorkingSetSize : pmc.PagefileUsage) / (1 << 20);
}

struct Counts {
    int direct = 0, candidate = 0, none = 0;
    size_t chars = 0; // of every text read, so that no read can be left out
};

// The look-ups straight on the index, copying each text as the component copies it.
Counts Bare(const CDiscIndex& index, const std::vector<std::wstring>& paths)
{
    Counts c;
    CDiscIndex::CMatch match;
    auto take = [&](std::wstring_view text) { c.chars += std::wstring(text).size(); };
    for (const std::wstring& path : paths) {
        index.Identify(path.c_str(), path.size(), match);
        if (match.m_nDisc < 0 && match.m_vecCandidates.empty()) {
            ++c.none;
            continue;
        }
        const CDiscRecordPtr disc =
            index.Disc(match.m_nDisc >= 0 ? uint32_t(match.m_nDisc) : match.m_vecCandidates.front());
        take(disc->m_strArtist);
        take(disc->m_strAlbum);
        take(disc->m_strGenre);
        if (match.m_nDisc >= 0) {
            ++c.direct;
            take(disc->TrackTitle(match.m_nTrack));
            continue;
        }
        ++c.candidate;
        for (LONG t = 1; t <= disc->TrackCount(); ++t) {
            std::wstring_view title = disc->TrackTitle(t);
            take(title);
            if (path.find(title) != std::wstring::npos)
                break;
        }
    }
    return c;
}

std::wstring Take(BSTR text)
{
    std::wstring out(text ? text : L"", text ? SysStringLen(text) : 0);
    SysFreeString(text);
    return out;
}

// The same through the component, call for call as the control makes them.
Counts ThroughComponent(ICddbComponent* component, ICddbLookupService* service, const std::vector<std::wstring>& paths)
{
    Counts c;
    for (const std::wstring& path : paths) {
        BSTR bstrPath = SysAllocStringLen(path.data(), UINT(path.size()));
        LONG track = 0;
        ICddbDisc* disc = nullptr;
        service->IdentifyFile(bstrPath, 0, &track, &disc);
        SysFreeString(bstrPath);
        if (!disc) {
            ICddbResultList* results = nullptr;
            if (SUCCEEDED(component->GetResultList(&results)) && results) {
                results->GetItem(1, &disc);
                results->Release();
            }
        }
        if (!disc) {
            ++c.none;
            continue;
        }
        BSTR text = nullptr;
        disc->GetArtist(&text);
        c.chars += Take(text).size();
        disc->GetAlbum(&text);
        c.chars += Take(text).size();
        disc->GetGenre(&text);
        c.chars += Take(text).size();
        if (track > 0) {
            ++c.direct;
            if (SUCCEEDED(disc->GetTrackTitle(track, &text)))
                c.chars += Take(text).size();
        } else {
            ++c.candidate;
            ICddbTrackList* tracks = nullptr;
            LONG count = 0;
            if (SUCCEEDED(disc->GetTracks(&tracks))) {
                tracks->GetCount(&count);
                tracks->Release();
            }
            for (LONG t = 1; t <= count; ++t) {
                ICddbTrack* item = nullptr;
                bool found = false;
                if (SUCCEEDED(disc->GetTracks(&tracks))) { // again for each track, as the control does
                    if (SUCCEEDED(tracks->GetTrack(t, &item))) {
                        item->GetTitle(&text);
                        std::wstring title = Take(text);
                        c.chars += title.size();
                        found = path.find(title) != std::wstring::npos;
                        item->Release();
                    }
                    tracks->Release();
                }
                if (found)
                    break;
            }
        }
        disc->Release();
    }
    return c;
}

// The new process: the time from its creation to its first answer through the
// component, and its memory then. Prints "MS MB".
int FirstAnswer(const std::wstring& path)
{
    CoInitialize(nullptr);
    ICddbComponent* component = nullptr;
    ICddbLookupService* service = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CddbComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICddbComponent,
                                reinterpret_cast<void**>(&component))) ||
        FAILED(component->GetLookupService(&service)))
        return 1;
    BSTR bstrPath = SysAllocString(path.c_str());
    LONG track = 0;
    ICddbDisc* disc = nullptr;
    service->IdentifyFile(bstrPath, 0, &track, &disc);
    SysFreeString(bstrPath);
    BSTR artist = nullptr;
    if (disc)
        disc->GetArtist(&artist);
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    std::printf("%.1f %.1f %.1f %s\n", double(ticks(now) - ticks(created)) / 1e4, MemoryMb(), MemoryMb(true),
                artist ? "found" : "none");
    SysFreeString(artist);
    if (disc)
        disc->Release();
    service->Release();
    component->Release();
    return 0;
}

// Starts the new process and reads its line.
bool RunFirstAnswer(const std::wstring& database, const std::wstring& path, double& ms, double& mb, double& ws,
                    bool& found)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &sa, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    std::wstring line = L"\"" + std::wstring(self) + L"\" --first-answer \"" + database + L"\" \"" + path + L"\"";
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(read);
        CloseHandle(write);
        return false;
    }
    CloseHandle(write);
    std::string out;
    char buffer[256];
    DWORD n;
    while (ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0)
        out.append(buffer, n);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(read);
    char answer[16] = {};
    found = std::sscanf(out.c_str(), "%lf %lf %lf %15s", &ms, &mb, &ws, answer) == 4 && std::string(answer) == "found";
    return answer[0] != 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--first-answer")
        return FirstAnswer(Wide(argv[3]));
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_lookup DATABASE LIBRARY [FILES]\n");
        return 2;
    }
    const std::wstring database = Wide(argv[1]), library = Wide(argv[2]);
    const size_t files = argc > 3 ? size_t(std::atoi(argv[3])) : 10000;
    CoInitialize(nullptr);

    // The floor: listing and reading every file (the first pass also warms the file cache).
    ReadAll(database);
    double t0 = Now();
    ReadAll(database);
    const double read = Now() - t0;

    // The index in memory, once.
    double before = MemoryMb();
    t0 = Now();
    std::shared_ptr<const CMemoryIndex> memoryIndex = CMemoryIndex::Build(database);
    const double build = Now() - t0, memory = MemoryMb() - before;
    if (!memoryIndex->FolderFound() || memoryIndex->DiscCount() == 0) {
        std::fprintf(stderr, "bench_lookup: no disc database in %s\n", argv[1]);
        return 1;
    }
    const double per10k = 10000.0 / double(memoryIndex->DiscCount());
    std::printf("%zu discs (%zu damaged files); listing and reading the files: %.0f ms per 10,000 discs\n",
                memoryIndex->DiscCount(), memoryIndex->SkippedCount(), read * 1e3 * per10k);
    std::printf("index in memory: %.0f ms per 10,000 discs, %.1f MB per 10,000 discs\n", build * 1e3 * per10k,
                memory * per10k);

    // The import into the component's own index file, afresh.
    const std::wstring stamp = CDumpFolder::Stamp(database), file = IndexFilePath(database, stamp);
    discsys::RemoveFile(file);
    double import = 0;
    {
        CSqlite db;
        std::wstring error;
        t0 = Now();
        if (db.Open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, 30000) != SQLITE_OK ||
            BuildIndex(db, database, stamp, true, nullptr, error) != EBuild::Done) {
            std::fprintf(stderr, "bench_lookup: the import failed: %ls\n", error.c_str());
            return 1;
        }
        import = Now() - t0;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data);
    const double fileMb = double((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow) / (1 << 20);
    std::printf("import, per 10,000 discs: %.0f ms (%.2f times the floor; %.0f s in all), index file %.0f MB\n",
                import * 1e3 * per10k, import / read, import, fileMb);

    std::vector<std::wstring> paths;
    Collect(library, files, paths);
    if (paths.empty()) {
        std::fprintf(stderr, "bench_lookup: no files in %s\n", argv[2]);
        return 1;
    }
    // The component reads its folder from the registry when it is created.
    const wchar_t key[] = L"Software\\Tarnwick\\CddbLocal";
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"DatabaseFolder", REG_SZ, database.c_str(),
                    DWORD((database.size() + 1) * sizeof(wchar_t)));
    double firstMs = 1e30, firstMb = 0, firstWs = 0;
    bool found = false;
    for (int rep = 0; rep < 3; ++rep) {
        double ms = 0, mb = 0, ws = 0;
        if (!RunFirstAnswer(database, paths.front(), ms, mb, ws, found)) {
            std::fprintf(stderr, "bench_lookup: the new process gave no answer\n");
            return 1;
        }
        firstMs = std::min(firstMs, ms);
        firstMb = std::max(firstMb, mb);
        firstWs = std::max(firstWs, ws);
    }
    std::printf("first answer of a new process: %.0f ms (%s)\n", firstMs, found ? "a disc" : "no disc");
    std::printf("memory with the index open: %.0f MB (%.0f MB in memory with the file's pages it mapped)\n", firstMb,
                firstWs);

    ICddbComponent* component = nullptr;
    ICddbLookupService* service = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CddbComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICddbComponent,
                                reinterpret_cast<void**>(&component))) ||
        FAILED(component->GetLookupService(&service))) {
        std::fprintf(stderr, "bench_lookup: CddbLocal.dll is not registered\n");
        return 1;
    }
    std::shared_ptr<const CDiscIndex> stored = CDiscIndex::Open(database); // the file the component reads too
    Counts inMemory, onDisk, com;
    double memoryTime = 1e30, diskTime = 1e30, comTime = 1e30;
    for (int rep = 0; rep < 3; ++rep) {
        t0 = Now();
        inMemory = Bare(*memoryIndex, paths);
        memoryTime = std::min(memoryTime, Now() - t0);
        t0 = Now();
        onDisk = Bare(*stored, paths);
        diskTime = std::min(diskTime, Now() - t0);
        t0 = Now();
        com = ThroughComponent(component, service, paths);
        comTime = std::min(comTime, Now() - t0);
    }
    std::printf("%zu identifications (%d direct, %d by candidate, %d not found):\n", paths.size(), inMemory.direct,
                inMemory.candidate, inMemory.none);
    for (const Counts* c : {&onDisk, &com})
        if (c->direct != inMemory.direct || c->candidate != inMemory.candidate || c->chars != inMemory.chars)
            std::printf("  the index file answered differently (%d/%d/%zu against %d/%d/%zu)\n", c->direct,
                        c->candidate, c->chars, inMemory.direct, inMemory.candidate, inMemory.chars);
    std::printf("  index file %7.0f ms   through the component %7.0f ms   index in memory %7.0f ms\n",
                diskTime * 1e3, comTime * 1e3, memoryTime * 1e3);
    std::printf("  ratio against the index in memory: %.2f (through the component %.2f)\n", diskTime / memoryTime,
                comTime / memoryTime);

    stored.reset();
    service->Release();
    component->Release();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"DatabaseFolder");
    CoUninitialize();
    return 0;
}
