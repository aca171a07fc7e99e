#include "../DiscSystem.h"
#include "MemFolders.h"
#include <algorithm>
#include <cwctype>
#include <locale.h>
#include <map>

namespace {

struct Node {
    bool bFolder = false;
    std::string data;
};

std::map<std::wstring, Node>& Nodes()
{
    static std::map<std::wstring, Node> nodes;
    return nodes;
}

// Letters and digits of every alphabet, as the C library's Unicode tables
// class them.
locale_t Unicode()
{
    static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    return loc;
}

} // namespace

namespace memfolders {

void Reset() { Nodes().clear(); }

void PutFile(const std::wstring& strPath, std::string bytes)
{
    for (size_t slash = strPath.find(L'\\'); slash != std::wstring::npos; slash = strPath.find(L'\\', slash + 1))
        Nodes()[strPath.substr(0, slash)].bFolder = true;
    Node& file = Nodes()[strPath];
    file.bFolder = false;
    file.data = std::move(bytes);
}

} // namespace memfolders

namespace discsys {

bool ListFolder(const std::wstring& strFolder, std::vector<std::wstring>& vecDirs,
                std::vector<std::wstring>& vecFiles)
{
    auto it = Nodes().find(strFolder);
    if (it == Nodes().end() || !it->second.bFolder)
        return false;
    const std::wstring prefix = strFolder + L"\\";
    for (it = Nodes().lower_bound(prefix); it != Nodes().end() && it->first.compare(0, prefix.size(), prefix) == 0;
         ++it) {
        if (it->first.find(L'\\', prefix.size()) == std::wstring::npos)
            (it->second.bFolder ? vecDirs : vecFiles).push_back(it->first.substr(prefix.size()));
    }
    return true;
}

bool ReadWholeFile(const std::wstring& strPath, size_t nMaxSize, std::vector<char>& buffer, size_t& nSize)
{
    auto it = Nodes().find(strPath);
    if (it == Nodes().end() || it->second.bFolder || it->second.data.size() > nMaxSize)
        return false;
    nSize = it->second.data.size();
    if (buffer.size() < nSize + 1)
        buffer.resize(nSize + 1);
    it->second.data.copy(buffer.data(), nSize);
    return true;
}

bool FileSize(const std::wstring& strPath, uint64_t& nSize)
{
    auto it = Nodes().find(strPath);
    if (it == Nodes().end() || it->second.bFolder)
        return false;
    nSize = it->second.data.size();
    return true;
}

// The handle is the file's node, which stays put while the map is not changed.
CFileReader::~CFileReader() {}

bool CFileReader::Open(const std::wstring& strPath)
{
    auto it = Nodes().find(strPath);
    if (it == Nodes().end() || it->second.bFolder)
        return false;
    m_hFile = &it->second;
    m_nPos = 0;
    return true;
}

int64_t CFileReader::Read(void* pData, size_t nSize)
{
    if (!m_hFile)
        return -1;
    const std::string& data = static_cast<const Node*>(m_hFile)->data;
    const size_t n = m_nPos < data.size() ? std::min(nSize, size_t(data.size() - m_nPos)) : 0;
    data.copy(static_cast<char*>(pData), n, size_t(m_nPos));
    m_nPos += n;
    return int64_t(n);
}

// Folders in memory change only when a fuzz input is put in whole.
std::wstring LastWriteTime(const std::wstring&) { return std::wstring(); }
std::wstring IndexFolder() { return std::wstring(); }
bool RemoveFile(const std::wstring&) { return false; }
CIndexLock::CIndexLock(const std::wstring&) { (void)m_hLock; }
CIndexLock::~CIndexLock() {}

bool IsLetterOrDigit(wchar_t c) { return iswalnum_l(wint_t(c), Unicode()) != 0; }

void ToLower(wchar_t* pText, size_t nLength)
{
    for (size_t i = 0; i < nLength; ++i)
        pText[i] = wchar_t(towlower_l(wint_t(pText[i]), Unicode()));
}

} // namespace discsys
