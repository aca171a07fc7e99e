#include "BenchTree.h"

void MakeTree(const std::string& root, int files)
{
    CreateDirectoryA(root.c_str(), nullptr);
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, 10, "Some Title");
    tag.replace(33, 11, "Some Artist");
    tag.replace(63, 10, "Some Album");
    std::string mp3 = std::string(512, '\x55') + tag;
    for (int i = 0; i < files; ++i) {
        int folder = i / 50;
        std::string dir = root + "\\d" + std::to_string(folder / 10);
        if (i % 500 == 0)
            CreateDirectoryA(dir.c_str(), nullptr);
        dir += "\\e" + std::to_string(folder % 10);
        if (i % 50 == 0)
            CreateDirectoryA(dir.c_str(), nullptr);
        const char* ext = i % 5 < 3 ? ".mp3" : (i % 5 == 3 ? ".wav" : ".txt");
        // One name in sixteen with letters of the code page beyond ASCII.
        std::string path = dir + (i % 16 ? "\\track " : "\\piste \xE9t\xE9 ") + std::to_string(i) + ext;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n;
        WriteFile(h, mp3.data(), DWORD(i % 5 < 3 ? mp3.size() : 64), &n, nullptr);
        CloseHandle(h);
    }
}
