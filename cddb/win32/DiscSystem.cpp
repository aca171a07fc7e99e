#include "../DiscSystem.h"
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cwchar>

namespace discsys {

bool ListFolder(const std::wstring& strFolder, std::vector<std::wstring>& vecDirs,
                std::vector<std::wstring>& vecFiles)
{
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW((strFolder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                nullptr, 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        std::wstring name = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != L"." && name != L"..")
                vecDirs.push_back(name);
        } else {
            vecFiles.push_back(name);
        }
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return true;
}

bool ReadWholeFile(const std::wstring& strPath, size_t nMaxSize, std::vector<char>& buffer, size_t& nSize)
{
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart <= LONGLONG(nMaxSize);
    DWORD read = 0;
    if (ok) {
        nSize = size_t(size.QuadPart);
        if (buffer.size() < nSize + 1)
            buffer.resize(nSize + 1);
        ok = ReadFile(h, buffer.data(), DWORD(nSize), &read, nullptr) && read == nSize;
    }
    CloseHandle(h);
    return ok;
}

bool FileSize(const std::wstring& strPath, uint64_t& nSize)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    nSize = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

CFileReader::~CFileReader()
{
    if (m_hFile)
        CloseHandle(m_hFile);
}

// Shared for reading, as a disc file is.
bool CFileReader::Open(const std::wstring& strPath)
{
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m_hFile = h;
    return true;
}

int64_t CFileReader::Read(void* pData, size_t nSize)
{
    DWORD read = 0;
    if (!m_hFile || !ReadFile(m_hFile, pData, DWORD(std::min<size_t>(nSize, 1u << 30)), &read, nullptr))
        return -1;
    m_nPos += read;
    return int64_t(read);
}

std::wstring LastWriteTime(const std::wstring& strPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &data))
        return std::wstring();
    wchar_t text[24];
    swprintf(text, 24, L"%08lx%08lx", data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return text;
}

// %LOCALAPPDATA%\Tarnwick\CddbLocal: the user's own, kept off roaming profiles.
std::wstring IndexFolder()
{
    wchar_t base[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base)))
        return std::wstring();
    std::wstring folder = std::wstring(base) + L"\\Tarnwick";
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\CddbLocal";
    CreateDirectoryW(folder.c_str(), nullptr);
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::wstring();
    return folder;
}

bool RemoveFile(const std::wstring& strPath) { return DeleteFileW(strPath.c_str()) != FALSE; }

// A named mutex of the session: every process of the user that opens the same
// index waits for the one checking or building it. One left by a process that
// ended counts as released.
CIndexLock::CIndexLock(const std::wstring& strName)
{
    m_hLock = CreateMutexW(nullptr, FALSE, (L"Local\\" + strName).c_str());
    if (m_hLock)
        WaitForSingleObject(m_hLock, INFINITE);
}

CIndexLock::~CIndexLock()
{
    if (m_hLock) {
        ReleaseMutex(m_hLock);
        CloseHandle(m_hLock);
    }
}

bool IsLetterOrDigit(wchar_t c) { return IsCharAlphaNumericW(c) != FALSE; }

void ToLower(wchar_t* pText, size_t nLength)
{
    if (nLength > 0)
        CharLowerBuffW(pText, DWORD(nLength));
}

} // namespace discsys
