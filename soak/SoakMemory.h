// Where the process's memory is, by who holds it: the process's heaps (what
// they took from the system, and what is live in them), its loaded modules,
// its other memory (stacks, bitmaps, virtual memory), and what the system's
// own side holds unseen by the process (Wine's C library heap, X, fonts).
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace soak {

struct MemoryFigures {
    uint64_t totalKb = 0;   // resident anonymous memory: what PagefileUsage counts under Wine
    uint64_t heapsKb = 0;   // committed by the heaps, their large blocks included
    uint64_t liveKb = 0;    // in the heaps' busy blocks (freed blocks that wait to be reused count too)
    uint64_t blocks = 0;    // busy blocks
    int heaps = 0;
    // Resident pages by holder; 0 each where the system's map of the process cannot be read.
    uint64_t inHeapsKb = 0, imagesKb = 0, privateKb = 0, unixKb = 0;
    // Of the system side: the C library's main heap, and the heaps it gives threads of their own
    // (one for each thread that ran at once with the others, kept for the next when it ends).
    uint64_t cHeapKb = 0, arenasKb = 0;
    int arenas = 0;
    std::string largestImage; // the module with the most written pages, and how many KB
    int modules = 0, threads = 0;
    std::string newModules; // loaded since the last measure
    // The process's GDI objects by kind, stock objects left out, and its windows.
    int dcs = 0, bitmaps = 0, fonts = 0, brushes = 0, regions = 0, otherGdi = 0, windows = 0, menus = 0;
};

// The process's memory in KB, as Wine counts it; cheap enough for every step.
uint64_t MemoryKb();
// Every figure: a walk of every heap and of the process's map, for the status lines.
MemoryFigures MeasureMemory();
// The figures for a status line.
std::string DescribeMemory(const MemoryFigures& m);

// The memory read after every step of a run: the steps that raise its high
// mark, and its spread over the last two thirds of the run, taken from each
// minute's lowest reading, which a worker's stack (about 1 MB while its thread
// runs) or a buffer in flight does not lift.
class CMemoryWatch {
public:
    explicit CMemoryWatch(DWORD nTotalMs) : m_nTotalMs(nTotalMs) {}
    // The reading after a step `nElapsedMs` into the run; answers by how much
    // it raised the high mark, or 0 for less than 256 KB.
    uint64_t Read(uint64_t nKb, DWORD nElapsedMs);
    // "memory over the last two thirds: min ... KB, spread ... %", or "" before a minute of them.
    std::string Spread() const;

private:
    DWORD m_nTotalMs;
    DWORD m_nMinuteStart = 0;
    uint64_t m_nHigh = 0, m_nMinuteLow = UINT64_MAX, m_nLowest = UINT64_MAX, m_nHighest = 0;
    std::vector<uint64_t> m_vecFloors; // each whole minute's lowest, in the last two thirds
};

} // namespace soak
