// The entries of one folder, through the ANSI calls or, for UTF-8 names, the
// wide ones (which take a folder beyond the length limit in its long form).
#pragma once
#include "platform/PlatformText.h"
#include "platform/win32/WidePath.h"
#include <windows.h>
#include <cstdint>
#include <string>

class CFolderEntries {
public:
    CFolderEntries(const std::string& folder, platform::TextCode code) : m_bWide(code == platform::CODE_UTF8)
    {
        const std::string pattern = folder + "\\*";
        if (m_bWide) {
            const std::u16string wide = platform::WidePath({pattern, code});
            m_hFind = FindFirstFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), &m_w);
        } else {
            m_hFind = FindFirstFileA(pattern.c_str(), &m_a);
        }
        Take();
    }
    ~CFolderEntries()
    {
        if (m_hFind != INVALID_HANDLE_VALUE)
            FindClose(m_hFind);
    }
    CFolderEntries(const CFolderEntries&) = delete;
    CFolderEntries& operator=(const CFolderEntries&) = delete;

    bool Found() const { return m_hFind != INVALID_HANDLE_VALUE; }
    bool Next()
    {
        if (!(m_bWide ? FindNextFileW(m_hFind, &m_w) : FindNextFileA(m_hFind, &m_a)))
            return false;
        Take();
        return true;
    }
    const std::string& Name() const { return m_strName; }
    DWORD Attributes() const { return m_bWide ? m_w.dwFileAttributes : m_a.dwFileAttributes; }
    // A subfolder the walk enters: hidden folders are taken as files.
    bool IsFolder() const
    {
        const DWORD a = Attributes();
        return (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_HIDDEN);
    }
    // "." and "..", which name no entry of their own.
    bool IsDots() const { return m_strName == "." || m_strName == ".."; }
    uint64_t Size() const
    {
        return m_bWide ? (uint64_t(m_w.nFileSizeHigh) << 32) | m_w.nFileSizeLow
                       : (uint64_t(m_a.nFileSizeHigh) << 32) | m_a.nFileSizeLow;
    }

private:
    void Take()
    {
        if (!Found())
            return;
        if (m_bWide)
            m_strName = platform::WideToUtf8(reinterpret_cast<const uint16_t*>(m_w.cFileName), wcslen(m_w.cFileName));
        else
            m_strName = m_a.cFileName;
    }

    bool m_bWide;
    HANDLE m_hFind;
    WIN32_FIND_DATAA m_a;
    WIN32_FIND_DATAW m_w;
    std::string m_strName;
};
