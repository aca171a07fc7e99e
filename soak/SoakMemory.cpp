#include "SoakMemory.h"
#include <windows.h>
#include <psapi.h>
#include <winternl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace soak {

namespace {

using Range = std::pair<uintptr_t, uintptr_t>; // [first, last)

// A file of the host system's /proc about this process, read whole through drive
// Z: (Wine's root). The process is named by the id ./tw gives it: Wine's server
// opens the files, so /proc/self would be the server.
std::string ProcFile(const char* name)
{
    std::string text;
    char pid[16] = {};
    if (!GetEnvironmentVariableA("TW_SOAK_PID", pid, sizeof pid))
        return text;
    HANDLE h = CreateFileA((std::string("Z:\\proc\\") + pid + "\\" + name).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    static char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    CloseHandle(h);
    return text;
}

// Every heap's figures, and the address ranges its blocks live in.
void WalkHeaps(MemoryFigures& m, std::vector<Range>& ranges)
{
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    m.heaps = int(n);
    uint64_t committed = 0, live = 0;
    for (DWORD i = 0; i < n && i < 64; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY e = {};
        while (HeapWalk(heaps[i], &e)) {
            const uintptr_t at = uintptr_t(e.lpData);
            if (e.wFlags & PROCESS_HEAP_REGION) {
                committed += e.Region.dwCommittedSize;
                ranges.emplace_back(at, at + e.Region.dwCommittedSize + e.Region.dwUnCommittedSize);
            } else if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                live += e.cbData;
                ++m.blocks;
                if (e.iRegionIndex == 64) { // a large block: virtual memory of its own, in no region
                    committed += e.cbData;
                    ranges.emplace_back(at, at + e.cbData);
                }
            }
        }
        HeapUnlock(heaps[i]);
    }
    m.heapsKb = committed / 1024;
    m.liveKb = live / 1024;
}

std::string ModuleName(HMODULE module)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path);
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The written pages of each mapping of the process, by who holds them.
void ReadMap(MemoryFigures& m, const std::vector<Range>& heapRanges)
{
    const std::string smaps = ProcFile("smaps");
    std::map<std::string, uint64_t> byModule;
    uint64_t* holder = &m.unixKb;
    std::string module;
    for (size_t at = 0; at < smaps.size();) {
        size_t end = smaps.find('\n', at);
        if (end == std::string::npos)
            end = smaps.size();
        const char* line = smaps.c_str() + at;
        at = end + 1;
        if (std::strchr("0123456789abcdef", line[0]) && line[0]) { // "first-last perms offset dev inode path"
            char* dash = nullptr;
            const uintptr_t first = uintptr_t(std::strtoull(line, &dash, 16));
            const char* perms = std::strchr(line, ' ');
            const char* path = std::strpbrk(line, "/[");
            if (path && path > smaps.c_str() + end)
                path = nullptr;
            module.clear();
            MEMORY_BASIC_INFORMATION info = {};
            if (path && *path == '/') {
                holder = &m.imagesKb; // a file's pages written since mapped
            } else if (path && std::strncmp(path, "[heap]", 6) == 0) {
                holder = &m.cHeapKb;
            } else if (!VirtualQuery(reinterpret_cast<void*>(first), &info, sizeof info) ||
                       info.State != MEM_COMMIT) {
                // Not the process's: the system's side mapped it. A thread's heap of the C library
                // starts on a 64 MB boundary, writable, the rest of its 64 MB reserved after it.
                holder = &m.unixKb;
                if (first % (64 << 20) == 0 && perms && std::strncmp(perms + 1, "rw-p", 4) == 0) {
                    holder = &m.arenasKb;
                    ++m.arenas;
                }
            } else if (info.Type == MEM_IMAGE) {
                holder = &m.imagesKb;
                module = ModuleName(static_cast<HMODULE>(info.AllocationBase));
            } else {
                holder = &m.privateKb;
                for (const Range& r : heapRanges)
                    if (first >= r.first && first < r.second)
                        holder = &m.inHeapsKb;
            }
        } else if (std::strncmp(line, "Anonymous:", 10) == 0) {
            const uint64_t kb = std::strtoull(line + 10, nullptr, 10);
            *holder += kb;
            if (!module.empty())
                byModule[module] += kb;
        }
    }
    for (const auto& entry : byModule)
        if (m.largestImage.empty() || entry.second > byModule[m.largestImage])
            m.largestImage = entry.first;
    if (!m.largestImage.empty())
        m.largestImage += " " + std::to_string(byModule[m.largestImage]) + " KB";
    const std::string status = ProcFile("status");
    const size_t threads = status.find("Threads:");
    if (threads != std::string::npos)
        m.threads = std::atoi(status.c_str() + threads + 8);
}

void ListModules(MemoryFigures& m)
{
    static std::set<HMODULE> known;
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes))
        return;
    m.modules = int(bytes / sizeof(HMODULE));
    const bool first = known.empty();
    const std::set<HMODULE> now(modules, modules + std::min<size_t>(m.modules, 1024));
    for (HMODULE h : now)
        if (!first && !known.count(h))
            m.newModules += (m.newModules.empty() ? "" : " ") + ModuleName(h);
    known = now;
}

// One entry of the table of GDI handles the system shares with the process.
struct GdiEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique; // the low 7 bits the kind, bit 7 set for a stock object
    uint8_t type;    // 0 for a free entry
    uint8_t flags;
    uint64_t user;
};

void CountGdi(MemoryFigures& m)
{
    // The table's address is in the process environment block, after the heaps' list.
    PROCESS_BASIC_INFORMATION info = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return;
    const auto* peb = reinterpret_cast<const uint8_t*>(info.PebBaseAddress);
    const auto* table = *reinterpret_cast<const GdiEntry* const*>(peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    if (!table)
        return;
    for (int i = 0; i < 0x10000; ++i) {
        const GdiEntry& e = table[i];
        if (!e.type || (e.unique & 0x80))
            continue;
        switch (e.unique & 0x1F) {
        case 0x01: ++m.dcs; break;
        case 0x04: ++m.regions; break;
        case 0x05:
        case 0x09: ++m.bitmaps; break;
        case 0x0A: ++m.fonts; break;
        case 0x10: ++m.brushes; break; // pens too
        default: ++m.otherGdi; break;
        }
    }
}

// The process's menus, by every value a user handle can take: Wine's user
// handles are an index from 0x20 in steps of 2, and one without its upper word
// names that index whatever its generation.
int CountMenus()
{
    int menus = 0;
    for (UINT_PTR h = 0x20; h < 0xFFF0; h += 2)
        if (IsMenu(reinterpret_cast<HMENU>(h)))
            ++menus;
    return menus;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTree(HWND w, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(w, &CountWindow, count); // every descendant
    return TRUE;
}

} // namespace

uint64_t MemoryKb()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage / 1024;
}

MemoryFigures MeasureMemory()
{
    MemoryFigures m;
    m.totalKb = MemoryKb();
    std::vector<Range> heapRanges;
    WalkHeaps(m, heapRanges);
    ReadMap(m, heapRanges);
    ListModules(m);
    CountGdi(m);
    EnumThreadWindows(GetCurrentThreadId(), &CountTree, LPARAM(&m.windows));
    m.menus = CountMenus();
    return m;
}

std::string DescribeMemory(const MemoryFigures& m)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "heaps %d: %llu KB (live %llu KB in %llu blocks); resident: heaps %llu, images %llu (%s), "
                  "private %llu, system side %llu (C heap %llu, %d thread heaps %llu) KB; %d modules, %d threads",
                  m.heaps, (unsigned long long)m.heapsKb, (unsigned long long)m.liveKb, (unsigned long long)m.blocks,
                  (unsigned long long)m.inHeapsKb, (unsigned long long)m.imagesKb, m.largestImage.c_str(),
                  (unsigned long long)m.privateKb, (unsigned long long)(m.unixKb + m.cHeapKb + m.arenasKb),
                  (unsigned long long)m.cHeapKb, m.arenas, (unsigned long long)m.arenasKb, m.modules, m.threads);
    std::string s = text;
    std::snprintf(text, sizeof text, "; gdi: %d dc, %d bitmap, %d font, %d brush or pen, %d region, %d other; %d windows, %d menus",
                  m.dcs, m.bitmaps, m.fonts, m.brushes, m.regions, m.otherGdi, m.windows, m.menus);
    s += text;
    if (!m.newModules.empty())
        s += "; new: " + m.newModules;
    return s;
}

} // namespace soak

namespace soak {

uint64_t CMemoryWatch::Read(uint64_t nKb, DWORD nElapsedMs)
{
    while (nElapsedMs >= m_nMinuteStart + 60000) {
        if (m_nMinuteStart >= m_nTotalMs / 3 && m_nMinuteLow != UINT64_MAX)
            m_vecFloors.push_back(m_nMinuteLow);
        m_nMinuteLow = UINT64_MAX;
        m_nMinuteStart += 60000;
    }
    m_nMinuteLow = std::min(m_nMinuteLow, nKb);
    if (nElapsedMs >= m_nTotalMs / 3) {
        m_nLowest = std::min(m_nLowest, nKb);
        m_nHighest = std::max(m_nHighest, nKb);
    }
    const uint64_t raised = m_nHigh && nKb >= m_nHigh + 256 ? nKb - m_nHigh : 0;
    m_nHigh = std::max(m_nHigh, nKb);
    return raised;
}

std::string CMemoryWatch::Spread() const
{
    if (m_vecFloors.empty())
        return std::string();
    const uint64_t low = *std::min_element(m_vecFloors.begin(), m_vecFloors.end());
    const uint64_t high = *std::max_element(m_vecFloors.begin(), m_vecFloors.end());
    char text[256];
    std::snprintf(text, sizeof text,
                  "memory over the last two thirds: min %llu max %llu KB, spread %.1f %% (each minute's lowest "
                  "reading; every reading %llu to %llu KB)",
                  (unsigned long long)low, (unsigned long long)high, 100.0 * double(high - low) / double(low),
                  (unsigned long long)m_nLowest, (unsigned long long)m_nHighest);
    return text;
}

} // namespace soak
