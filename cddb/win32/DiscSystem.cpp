#include "../DiscSystem.h"
#include <windows.h>

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

bool IsLetterOrDigit(wchar_t c) { return IsCharAlphaNumericW(c) != FALSE; }

void ToLower(wchar_t* pText, size_t nLength)
{
    if (nLength > 0)
        CharLowerBuffW(pText, DWORD(nLength));
}

} // namespace discsys
