// The folder tree the scan benchmarks search, and a bare walk of it.
#pragma once
#include <windows.h>
#include <string>

// Folders of 50 entries, 10 folders a level: MP3 files with tags, WAV files,
// and others that do not match; one name in sixteen with letters of the code
// page beyond ASCII.
void MakeTree(const std::string& root, int files);

// Every file below the folder, with its extension (".mp3"; empty without one).
template <class Visit>
void ForEachFile(const std::string& folder, const Visit& visit)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ForEachFile(path, visit);
            continue;
        }
        size_t dot = name.rfind('.');
        visit(path, dot == std::string::npos ? std::string() : name.substr(dot));
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}
