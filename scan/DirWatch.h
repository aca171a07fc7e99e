// CDirWatch: one folder's change notification, read asynchronously into a
// buffer of its own; its event is set when a report (or a failure) is in.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

class CDirWatch {
public:
    // One change: the action (FILE_ACTION_...) and the name below the folder.
    struct Change {
        DWORD nAction;
        std::u16string strName;
    };
    enum Result { REPORTED, OVERFLOWED, FAILED };

    CDirWatch() = default;
    ~CDirWatch();
    CDirWatch(const CDirWatch&) = delete;
    CDirWatch& operator=(const CDirWatch&) = delete;

    // Opens the folder and asks for the first report.
    bool Open(const std::u16string& folder, DWORD bytes, bool subtree, DWORD filter);
    void Close();
    bool IsOpen() const { return m_hDir != INVALID_HANDLE_VALUE; }
    HANDLE Event() const { return m_ov.hEvent; }
    // Once the event is set: the changes reported, and the next report asked
    // for. OVERFLOWED: more changed than the buffer held; FAILED: the folder
    // can no longer be watched (it is closed then).
    Result Take(std::vector<Change>& changes);

private:
    bool Arm();

    HANDLE m_hDir = INVALID_HANDLE_VALUE;
    OVERLAPPED m_ov = {};
    std::vector<DWORD> m_buffer; // the reports are DWORD-aligned
    bool m_bArmed = false; // a read is pending
    bool m_bSubtree = false;
    DWORD m_nFilter = 0;
};
