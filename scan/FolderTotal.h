// What the search of a folder root will count as scanned, found before the
// search so that its progress runs against the folder instead of the drive.
#pragma once
#include "platform/PlatformText.h"
#include <windows.h>
#include <cstdint>
#include <string>

struct FolderTotal {
    uint64_t nBytes = 0;  // cluster-rounded entries plus one cluster per folder entered
    bool bListed = false; // the root itself could be listed
    bool bStopped = false; // the view answered stop to a poll meanwhile
};

// Walks the root as the scan will, sending nothing but, a few times a second,
// UM_QUERYABORT to the view window, so that a stop ends this walk too.
FolderTotal TotalOfFolder(const std::string& root, uint32_t nClusterBytes, platform::TextCode code, HWND hViewWnd);
