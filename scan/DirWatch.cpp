#include "DirWatch.h"

CDirWatch::~CDirWatch()
{
    Close();
    if (m_ov.hEvent)
        CloseHandle(m_ov.hEvent);
}

bool CDirWatch::Open(const std::u16string& folder, DWORD bytes, bool subtree, DWORD filter)
{
    Close();
    if (!m_ov.hEvent && !(m_ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr)))
        return false;
    m_hDir = CreateFileW(reinterpret_cast<const wchar_t*>(folder.c_str()), FILE_LIST_DIRECTORY,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (m_hDir == INVALID_HANDLE_VALUE)
        return false;
    m_buffer.assign(bytes / sizeof(DWORD), 0);
    m_bSubtree = subtree;
    m_nFilter = filter;
    if (!Arm()) {
        CloseHandle(m_hDir);
        m_hDir = INVALID_HANDLE_VALUE;
        return false;
    }
    return true;
}

bool CDirWatch::Arm()
{
    ResetEvent(m_ov.hEvent);
    m_bArmed = ReadDirectoryChangesW(m_hDir, m_buffer.data(), DWORD(m_buffer.size() * sizeof(DWORD)), m_bSubtree,
                                     m_nFilter, nullptr, &m_ov, nullptr) != 0;
    return m_bArmed;
}

void CDirWatch::Close()
{
    if (m_hDir == INVALID_HANDLE_VALUE)
        return;
    if (m_bArmed) {
        CancelIoEx(m_hDir, &m_ov);
        if (WaitForSingleObject(m_ov.hEvent, 2000) != WAIT_OBJECT_0)
            new std::vector<DWORD>(std::move(m_buffer)); // the read may still land: its buffer stays
        m_bArmed = false;
    }
    CloseHandle(m_hDir);
    m_hDir = INVALID_HANDLE_VALUE;
}

CDirWatch::Result CDirWatch::Take(std::vector<Change>& changes)
{
    DWORD n = 0;
    m_bArmed = false;
    if (!GetOverlappedResult(m_hDir, &m_ov, &n, FALSE) && GetLastError() != ERROR_NOTIFY_ENUM_DIR) {
        Close();
        return FAILED;
    }
    // Copied before the next report is asked for into the same buffer.
    const BYTE* bytes = reinterpret_cast<const BYTE*>(m_buffer.data());
    for (DWORD at = 0; n > 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= n;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + at);
        const char16_t* name = reinterpret_cast<const char16_t*>(info->FileName);
        changes.push_back({info->Action, std::u16string(name, name + info->FileNameLength / sizeof(WCHAR))});
        if (!info->NextEntryOffset)
            break;
        at += info->NextEntryOffset;
    }
    if (!Arm()) {
        Close();
        return FAILED;
    }
    return n == 0 ? OVERFLOWED : REPORTED;
}
