// The folder watch: one thread that follows every search root with a
// recursive change notification and hands the sound view's window batches of
// what changed, with a blocking message. Like the scan worker it never calls
// the host or touches a window; it shares no data with the window's thread,
// which hands it new roots through an asynchronous procedure call.
#pragma once
#include "platform/PlatformText.h"
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// A file or folder as the system reports it, through the wide calls.
struct FileState {
    bool bExists = false;
    bool bFolder = false;
    bool bHidden = false;
    uint64_t nSize = 0;
    uint64_t nTime = 0; // the last write, FILETIME
};
FileState ProbeFile(const std::string& path, platform::TextCode code);

// A root as the request table names it, with its extension list "|mp3|wav".
struct WatchRoot {
    std::string strKey;
    std::string strExtensions;
};

struct WatchChange {
    enum Kind : int32_t {
        GONE,    // the records at this path, or under it as a folder, whose files are gone
        PRESENT, // a file of the root's patterns, unchanged for a second and readable
    };
    Kind nKind = GONE;
    std::string strPath;
    uint64_t nSize = 0;
    uint64_t nWriteTime = 0; // FILETIME, 100 ns units
    // PRESENT: a catalogued file is read again only when written at or after
    // this time (0: always). Set when a root is compared with the catalogue
    // after changes went unreported.
    uint64_t nSince = 0;
};

// Sent with UM_WATCHCHANGES. The receiver moves the changes out and sets
// bTaken before it does anything else; the record stays the watcher's.
struct WatchBatch {
    std::vector<WatchChange> changes;
    int32_t bTaken = 0;
};

class CFolderWatch {
public:
    CFolderWatch() = default;
    ~CFolderWatch() { Stop(); }
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // Starts the thread; false when it could not be made.
    bool Start(HWND hViewWnd, std::vector<WatchRoot> roots, platform::TextCode code);
    // The roots (and their code) from now on: roots no longer named stop
    // being watched, new ones start; what is pending stays.
    void SetRoots(std::vector<WatchRoot> roots, platform::TextCode code);
    // Ends the thread and waits for it, answering its messages meanwhile
    // (also from inside one of them).
    void Stop();
    bool IsRunning() const { return m_hThread != nullptr; }

    // How long a file must stay unchanged before it is taken, in ms.
    static const DWORD kQuietMs = 1000;
    // How long Start waits for the roots to be watched.
    static const DWORD kArmMs = 1000;

private:
    HANDLE m_hThread = nullptr;
    HANDLE m_hStop = nullptr;
    void* m_pWatcher = nullptr; // the thread's own, only handed back to it
};
