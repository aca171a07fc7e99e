#include "TestFs.h"
#include "platform/PlatformText.h"
#include <windows.h>

std::string NewTestFolder()
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "twcore-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++counter);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Wide calls, so that names outside the code page go too.
static void RemoveFolderW(const std::wstring& folder)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderW(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

void RemoveTestFolder(const std::string& folder)
{
    std::u16string wide = platform::AnsiToWide(folder);
    RemoveFolderW(std::wstring(wide.begin(), wide.end()));
}
