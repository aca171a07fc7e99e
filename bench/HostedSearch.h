// One whole search through a freshly hosted control in the system's ATL host
// window, with a host that accepts every file: what the scan and the tag
// benchmarks time.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <functional>
#include <string>
#include <vector>

struct SearchRun {
    double seconds = 0;
    int offered = 0;          // AddingFile events
    std::vector<LONG> counts; // GetMusicCounts afterwards: tagged MP3, MP3, all
};

// length: what the host answers as each file's length; -1 keeps what the
// control offered. configure sets the control up before the search.
SearchRun HostedSearch(const std::string& folder, const std::vector<std::string>& patterns, LONG length,
                       const std::function<void(IDispatch*)>& configure = {});

double Now(); // seconds, from a steady clock
