// The folder scan: a worker thread that walks every requested drive or folder
// and hands each matching file to the sound view's window with a blocking message.
#pragma once
#include "platform/PlatformText.h"
#include <windows.h>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What the worker is handed. It owns copies of the requests and the hidden
// list, so nothing the window thread changes meanwhile reaches it.
struct ScanStart {
    std::vector<std::pair<std::string, std::string>> requests; // volume key, extension list "|mp3|wav"
    uint64_t nTotalBytes = 0;    // the drives' used space; the worker adds what lies below each folder root
    HWND hViewWnd = nullptr;     // receives UM_FILEFOUND, UM_QUERYABORT, UM_SEARCHPROGRESS, UM_ENDSEARCH
    std::string strHidden;       // the hidden-extension list, for the file count
    // The code of the volume keys and of the paths handed out: in UTF-8 the
    // walk uses the wide calls and finds every name.
    platform::TextCode code = platform::CODE_ANSI;
};

// Used space of the drive of a volume key; 0 when it cannot be read.
uint64_t DriveUsedSpace(const std::string& volume, platform::TextCode code = platform::CODE_ANSI);

// Starts the worker with a start block it frees; null when the thread could not be created.
HANDLE StartScan(ScanStart* start);
