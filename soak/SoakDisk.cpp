#include "SoakDisk.h"
#include "SoakArgs.h"
#include <windows.h>

namespace soak {

namespace {

// A small MP3 body and an ID3v1 tag of one of a few artists.
std::string Mp3(int artist)
{
    static const char* const names[] = {"Watched", "Nightjar", "Mira Holt", ""};
    std::string bytes(600 + Pick(3000), '\0');
    std::string tag = "TAG";
    auto field = [&](std::string text) {
        text.resize(30, '\0');
        tag += text;
    };
    field("Song " + std::to_string(Pick(50)));
    field(names[artist % 4]);
    field("Album " + std::to_string(artist));
    tag += "2026";
    tag.append(30, '\0');
    tag += char(Pick(40));
    return bytes + tag;
}

// A copy still in progress when the control looks: its first half is on the
// disk and the file stays open until a later step writes the rest.
struct Unfinished {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::string rest, path;
};
Unfinished g_unfinished;

void Finish()
{
    DWORD n = 0;
    WriteFile(g_unfinished.h, g_unfinished.rest.data(), DWORD(g_unfinished.rest.size()), &n, nullptr);
    CloseHandle(g_unfinished.h);
    g_unfinished = Unfinished();
}

void WriteFileBytes(const std::string& path, const std::string& bytes, bool slowly)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD n = 0;
    const size_t half = slowly ? bytes.size() / 2 : bytes.size();
    WriteFile(h, bytes.data(), DWORD(half), &n, nullptr);
    if (slowly && g_unfinished.h == INVALID_HANDLE_VALUE) {
        g_unfinished.h = h;
        g_unfinished.rest = bytes.substr(half);
        g_unfinished.path = path;
        return;
    }
    WriteFile(h, bytes.data() + half, DWORD(bytes.size() - half), &n, nullptr);
    CloseHandle(h);
}

} // namespace

std::string ChangeDisk(const std::string& drive)
{
    const std::string incoming = drive + "\\incoming";
    CreateDirectoryA(incoming.c_str(), nullptr);
    const std::string folder = incoming + "\\f" + std::to_string(Pick(3));
    const std::string file = folder + "\\t" + std::to_string(Pick(8)) + ".mp3";
    if (g_unfinished.h != INVALID_HANDLE_VALUE && Chance(50)) {
        const std::string done = g_unfinished.path;
        Finish();
        return "disk: finished writing " + done;
    }
    switch (Pick(7)) {
    case 0:
    case 1:
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFileBytes(file, Mp3(Pick(4)), Chance(30));
        return "disk: wrote " + file;
    case 2: {
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = Pick(40); i > 0; --i)
            WriteFileBytes(folder + "\\b" + std::to_string(i) + ".mp3", Mp3(i), false);
        return "disk: a burst into " + folder;
    }
    case 3: DeleteFileA(file.c_str()); return "disk: deleted " + file;
    case 4: {
        const std::string to = incoming + "\\f" + std::to_string(Pick(3)) + "\\t" + std::to_string(Pick(8)) + ".mp3";
        MoveFileExA(file.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
        return "disk: renamed " + file;
    }
    case 5: {
        const std::string to = incoming + "\\f" + std::to_string(Pick(3));
        MoveFileA(folder.c_str(), (to + "x").c_str());
        MoveFileA((to + "x").c_str(), to.c_str());
        return "disk: moved folder " + folder;
    }
    default: {
        // A folder emptied and removed: what an unplugged album looks like here.
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder + "\\" + data.cFileName).c_str());
            while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
        return "disk: removed " + folder;
    }
    }
}

} // namespace soak
