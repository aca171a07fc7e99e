// Track look-up through CddbLocal.dll from a plain client: the index build of a
// disc database, reported per 10,000 discs, and one identification per music
// file of a library of untagged files, each followed by the calls the control
// makes for it (the disc's texts and track title, or the first candidate and
// its track titles), against the same look-ups done directly on an index in
// memory, measured in the same run.
//
// usage: bench_lookup.exe DATABASE LIBRARY [FILES]
//   DATABASE and LIBRARY as make_cddb.py writes them; CddbLocal.dll registered.
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

double MemoryMb()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return double(pmc.PagefileUsage) / (1 << 20);
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_lookup DATABASE LIBRARY [FILES]\n");
        return 2;
    }
    const std::wstring database = Wide(argv[1]), library = Wide(argv[2]);
    const size_t files = argc > 3 ? size_t(std::atoi(argv[3])) : 10000;
    CoInitialize(nullptr);

    // The index, built twice straight from the folder (the first run also warms the file cache).
    std::shared_ptr<const CDiscIndex> index;
    double build = 1e30, memory = 0;
    for (int rep = 0; rep < 2; ++rep) {
        index.reset();
        double before = MemoryMb(), t0 = Now();
        index = CMemoryIndex::Build(database);
        build = std::min(build, Now() - t0);
        if (rep == 0) // the heap keeps what the first index freed
            memory = MemoryMb() - before;
    }
    if (!index->FolderFound() || index->DiscCount() == 0) {
        std::fprintf(stderr, "bench_lookup: no disc database in %s\n", argv[1]);
        return 1;
    }
    double t0 = Now();
    ReadAll(database);
    const double read = Now() - t0;
    const double per10k = 10000.0 / double(index->DiscCount());
    std::printf("index of %zu discs (%zu damaged files): %.0f ms, %.0f ms per 10,000 discs\n", index->DiscCount(),
                index->SkippedCount(), build * 1e3, build * 1e3 * per10k);
    std::printf("  of which listing and reading the files: %.0f ms per 10,000 discs\n", read * 1e3 * per10k);
    std::printf("  memory: %.1f MB per 10,000 discs\n", memory * per10k);

    // The component reads its folder from the registry when it is created.
    const wchar_t key[] = L"Software\\Tarnwick\\CddbLocal";
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"DatabaseFolder", REG_SZ, database.c_str(),
                    DWORD((database.size() + 1) * sizeof(wchar_t)));
    ICddbComponent* component = nullptr;
    ICddbLookupService* service = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CddbComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICddbComponent,
                                reinterpret_cast<void**>(&component))) ||
        FAILED(component->GetLookupService(&service))) {
        std::fprintf(stderr, "bench_lookup: CddbLocal.dll is not registered\n");
        return 1;
    }
    t0 = Now();
    HRESULT status = component->TestStatus(0); // builds the component's own index
    std::printf("  the same through the component's first status test: %.0f ms (%s)\n", (Now() - t0) * 1e3,
                status == S_OK ? "ready" : "failed");

    std::vector<std::wstring> paths;
    Collect(library, files, paths);
    if (paths.empty()) {
        std::fprintf(stderr, "bench_lookup: no files in %s\n", argv[2]);
        return 1;
    }
    Counts bare, com;
    double bareTime = 1e30, comTime = 1e30;
    for (int rep = 0; rep < 3; ++rep) {
        t0 = Now();
        bare = Bare(*index, paths);
        bareTime = std::min(bareTime, Now() - t0);
        t0 = Now();
        com = ThroughComponent(component, service, paths);
        comTime = std::min(comTime, Now() - t0);
    }
    std::printf("%zu identifications (%d direct, %d by candidate, %d not found):\n", paths.size(), com.direct,
                com.candidate, com.none);
    if (com.direct != bare.direct || com.candidate != bare.candidate || com.chars != bare.chars)
        std::printf("  the component answered differently from the index (%d/%d/%zu against %d/%d/%zu)\n",
                    com.direct, com.candidate, com.chars, bare.direct, bare.candidate, bare.chars);
    std::printf("  component %7.0f ms   bare index %7.0f ms   ratio %.2f\n", comTime * 1e3, bareTime * 1e3,
                comTime / bareTime);
    std::printf("  per file: component %.1f us, bare index %.1f us\n", comTime * 1e6 / double(paths.size()),
                bareTime * 1e6 / double(paths.size()));

    service->Release();
    component->Release();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"DatabaseFolder");
    CoUninitialize();
    return 0;
}
