// What the benchmarks that drive the hosted control share: a clock, a
// catalogue of empty files written as a cache file, and the registered control
// in the system's ATL host window.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One catalogued file, at strFolder\strName (the folder below the catalogue's root).
struct Record {
    std::string strFolder, strName, strTime, strAlbum, strArtist, strTitle;
    int32_t nGenre = 1;
    int32_t lLength = 200;
};

inline std::string PathOf(const std::string& root, const Record& r) { return root + "\\" + r.strFolder + "\\" + r.strName; }

inline void Put8(std::string& out, const std::string& s) { out += char(s.size()) + s; } // texts below 255 bytes
inline void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

// An empty file for every record (with its folders) and the cache file that
// lists them, in the records' order; returns the cache file's path.
inline std::string WriteCatalogue(const std::string& root, const std::vector<Record>& records)
{
    CreateDirectoryA(root.c_str(), nullptr);
    std::string cache = "SNDF", folder;
    Put32(cache, 1);
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.strFolder != folder) {
            folder = r.strFolder;
            for (size_t sep = folder.find('\\'); sep != std::string::npos; sep = folder.find('\\', sep + 1))
                CreateDirectoryA((root + "\\" + folder.substr(0, sep)).c_str(), nullptr);
            CreateDirectoryA((root + "\\" + folder).c_str(), nullptr);
        }
        std::string path = PathOf(root, r);
        CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        cache += i == 0 ? std::string("\xFF\xFF\x01\x00\x0A\x00", 6) + "CMusicInfo" : std::string("\x01\x80", 2);
        Put8(cache, r.strName);
        Put8(cache, r.strTime);
        Put8(cache, "");
        Put8(cache, r.strAlbum);
        Put8(cache, r.strArtist);
        Put8(cache, path);
        Put8(cache, r.strTitle);
        Put32(cache, 1);
        Put32(cache, uint32_t(r.nGenre));
        Put32(cache, uint32_t(r.lLength));
        Put32(cache, 1);
    }
    std::string file = root + "\\cache.snd";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, cache.data(), DWORD(cache.size()), &n, nullptr);
    CloseHandle(h);
    return file;
}

// The registered control in an ATL host window filling a visible frame.
struct HostedControl {
    HWND hFrame = nullptr;
    IUnknown* pUnknown = nullptr;
    IDispatch* pDispatch = nullptr;

    // False when the control is not registered.
    bool Create(int frameWidth, int frameHeight, int width, int height)
    {
        HMODULE atl = LoadLibraryA("atl.dll");
        auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        auto get = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
            reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
        if (!init || !get || !init())
            return false;
        hFrame = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, frameWidth, frameHeight,
                                 nullptr, nullptr, nullptr, nullptr);
        HWND ax = CreateWindowExA(0, "AtlAxWin", "Tarnwick.TarnwickCtrl.1", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                  hFrame, nullptr, nullptr, nullptr);
        return ax && SUCCEEDED(get(ax, &pUnknown)) &&
               SUCCEEDED(pUnknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&pDispatch)));
    }
    ~HostedControl()
    {
        if (pDispatch)
            pDispatch->Release();
        if (pUnknown)
            pUnknown->Release();
        if (hFrame)
            DestroyWindow(hFrame);
    }
};

} // namespace bench
