#include "DumpFolder.h"
#include "DiscSystem.h"
#include "XmcdEntry.h"
#include <algorithm>

namespace {

std::wstring Trimmed(const std::wstring& strFolder)
{
    std::wstring folder = strFolder;
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    return folder;
}

} // namespace

bool DiscIdFromName(const std::wstring& strName, uint32_t& nId)
{
    if (strName.size() != 8)
        return false;
    nId = 0;
    for (wchar_t c : strName) {
        unsigned v;
        if (c >= L'0' && c <= L'9')
            v = unsigned(c - L'0');
        else if (c >= L'a' && c <= L'f')
            v = unsigned(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F')
            v = unsigned(c - L'A' + 10);
        else
            return false;
        nId = (nId << 4) | v;
    }
    return true;
}

bool CDumpFolder::Open(const std::wstring& strFolder)
{
    m_strFolder = Trimmed(strFolder);
    m_vecCategories.assign(1, std::wstring());
    std::vector<std::wstring> dirs, files;
    if (m_strFolder.empty() || !discsys::ListFolder(m_strFolder, dirs, files))
        return false;
    // Sorted, so that the database order never depends on the file system.
    std::sort(dirs.begin(), dirs.end());
    m_vecCategories.insert(m_vecCategories.end(), dirs.begin(), dirs.end());
    return true;
}

bool CDumpFolder::Read(size_t nCategory, const std::wstring& strAfter, const CEach& each) const
{
    const std::wstring folder =
        nCategory == 0 ? m_strFolder : m_strFolder + L"\\" + m_vecCategories[nCategory];
    std::vector<std::wstring> dirs, files;
    discsys::ListFolder(folder, dirs, files);
    std::sort(files.begin(), files.end());
    std::vector<char> buffer;
    for (auto it = std::upper_bound(files.begin(), files.end(), strAfter); it != files.end(); ++it) {
        uint32_t nId;
        if (!DiscIdFromName(*it, nId))
            continue;
        size_t nSize = 0;
        const bool bRead = discsys::ReadWholeFile(folder + L"\\" + *it, kXmcdMaxFileSize, buffer, nSize);
        if (!each(*it, nId, bRead ? buffer.data() : nullptr, bRead ? nSize : 0))
            return false;
    }
    return true;
}

std::wstring CDumpFolder::Stamp(const std::wstring& strFolder)
{
    CDumpFolder dump;
    if (!dump.Open(strFolder))
        return std::wstring();
    std::wstring stamp;
    for (size_t i = 0; i < dump.CategoryCount(); ++i) {
        const std::wstring& name = dump.CategoryName(i);
        stamp += name + L'=' + discsys::LastWriteTime(i == 0 ? dump.m_strFolder : dump.m_strFolder + L"\\" + name) +
                 L'\n';
    }
    return stamp;
}
