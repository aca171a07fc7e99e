// The folder scan: a worker thread that walks every requested drive and hands
// each matching file to the sound view's window with a blocking message.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

class CSearchRequests;

struct ScanStart {
    const CSearchRequests* pRequests;
    uint32_t nReserved;
    uint64_t nTotalBytes;
    HWND hViewWnd;               // receives UM_FILEFOUND, UM_QUERYABORT, UM_SEARCHPROGRESS, UM_ENDSEARCH
    const std::string* pHidden;  // the hidden-extension list, for the file count
};

// Used space of the drive of a volume key; 0 when it cannot be read.
uint64_t DriveUsedSpace(const std::string& volume);

// Starts the worker with a start block it frees; null when the thread could not be created.
HANDLE StartScan(ScanStart* start);
