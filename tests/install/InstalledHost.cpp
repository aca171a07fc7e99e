// The installed control as a host program meets it: made by its ProgID in
// Wine's ATL container window, activated in place and searching a folder of
// tagged MP3 files; and the CDDB component made by its class id, reading the
// database folder the package set. Only the registry the package wrote can
// lead COM to either module.
#include "InstallCheck.h"
#include "control/TarnwickDispIds.h"
#include "host/ControlClient.h"
#include "host/EventSink.h"
#include "lookup/CddbApi.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int g_nFailed = 0;

void Check(bool ok, const std::string& what)
{
    printf("%s - %s\n", ok ? "ok" : "not ok", what.c_str());
    fflush(stdout);
    if (!ok)
        ++g_nFailed;
}

// Accepts every file offered and notes the paths and the end of the search.
class CSearchSink : public CEventSink {
public:
    std::vector<std::string> m_vecOffered;
    bool m_bEnded = false;

    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        VARIANTARG* arg = dp->rgvarg; // last argument first
        if (id == DISPID_TW_EVENT_ADDINGFILE && dp->cArgs == 5) {
            m_vecOffered.push_back(Utf8(arg[4].bstrVal ? arg[4].bstrVal : L""));
            *arg[0].pboolVal = VARIANT_TRUE;
        } else if (id == DISPID_TW_EVENT_ENDSEARCH) {
            m_bEnded = true;
        }
    }
};

// An MPEG frame header, some body and an ID3v1 block.
std::string TaggedMp3(const char* title, const char* artist, const char* album)
{
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, strlen(title), title);
    tag.replace(33, strlen(artist), artist);
    tag.replace(63, strlen(album), album);
    tag[127] = 17; // Rock
    return std::string("\xFF\xFB\x90\x00", 4) + std::string(400, '\x55') + tag;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    bool ok = h != INVALID_HANDLE_VALUE && WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr) &&
              n == bytes.size();
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return ok;
}

std::wstring LoadedFrom(const wchar_t* module)
{
    wchar_t path[MAX_PATH] = {};
    HMODULE h = GetModuleHandleW(module);
    if (h)
        GetModuleFileNameW(h, path, MAX_PATH);
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

void PumpUntil(const bool& done, DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (!done && GetTickCount() - start < ms) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
}

// Three tagged files by two artists and a file the search leaves out.
std::vector<std::string> WriteMusic(const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    const struct {
        const wchar_t* name;
        const char *title, *artist, *album;
    } files[] = {{L"a.mp3", "First", "Band", "Album"},
                 {L"b.mp3", "Second", "Band", "Album"},
                 {L"c.mp3", "Third", "Other", "Single"}};
    std::vector<std::string> paths;
    for (const auto& f : files) {
        std::wstring path = folder + L"\\" + f.name;
        if (WriteFileBytes(path, TaggedMp3(f.title, f.artist, f.album)))
            paths.push_back(Utf8(path));
    }
    WriteFileBytes(folder + L"\\notes.txt", "not music");
    return paths;
}

void SearchInContainer(const std::wstring& folder)
{
    const std::wstring music = L"C:\\tw-install-music";
    const std::vector<std::string> expected = WriteMusic(music);
    Check(expected.size() == 3, "three tagged MP3 files written");

    HWND frame = CreateWindowExW(0, L"STATIC", L"install check", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 320,
                                 nullptr, nullptr, nullptr, nullptr);
    HWND ax = nullptr;
    IDispatch* ctrl = frame ? HostByProgId(frame, 0, 0, 400, 300, &ax) : nullptr;
    Check(ctrl != nullptr, "the ATL container window makes the control from Tarnwick.TarnwickCtrl.1");
    if (!ctrl) {
        if (frame)
            DestroyWindow(frame);
        return;
    }
    const std::wstring ocx = LoadedFrom(L"Tarnwick.ocx");
    Check(SamePath(ocx, folder + L"\\Tarnwick.ocx"), "the control comes from the install folder (" + Utf8(ocx) + ")");

    CSearchSink sink;
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    Check(AdviseEvents(ctrl, DIID_TarnwickEvents, &sink, &cp, &cookie), "the host connects to the control's events");
    Check(Put(ctrl, L"FolderSearch", VBool(true)).hr == S_OK, "FolderSearch is set");
    Check(Method(ctrl, L"AddSearch", {VStr(music.c_str()), VStrings({L"*.mp3"}), VShort(1)}).Bool(),
          "AddSearch takes the folder");
    Check(Method(ctrl, L"BeginSearch").hr == S_OK, "BeginSearch is called");
    PumpUntil(sink.m_bEnded, 30000);
    Check(sink.m_bEnded, "the search ends");

    std::vector<std::string> offered = sink.m_vecOffered;
    std::sort(offered.begin(), offered.end());
    Check(offered == expected, "AddingFile offers the three MP3 files and nothing else (" +
                                   std::to_string(offered.size()) + " offered)");
    Check(MusicCounts(ctrl) == std::vector<LONG>{3, 3, 3}, "GetMusicCounts gives 3 tagged of 3 MP3 files");
    HWND list = FindShownList(ax);
    Check(list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 3, "the file list shows three rows");

    if (cp) {
        cp->Unadvise(cookie);
        cp->Release();
    }
    ctrl->Release();
    DestroyWindow(frame);
    for (const wchar_t* name : {L"a.mp3", L"b.mp3", L"c.mp3", L"notes.txt"})
        DeleteFileW((music + L"\\" + name).c_str());
    RemoveDirectoryW(music.c_str());
}

// The component by its class id, reading the database folder the package set
// (the folder beside it, which the package made).
void CddbComponent(const std::wstring& folder)
{
    ICddbComponent* cddb = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_CddbComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICddbComponent,
                                  reinterpret_cast<void**>(&cddb));
    Check(hr == S_OK && cddb, "the CDDB component is made by its class id");
    if (!cddb)
        return;
    const std::wstring dll = LoadedFrom(L"CddbLocal.dll");
    Check(SamePath(dll, folder + L"\\CddbLocal.dll"),
          "the component comes from the install folder (" + Utf8(dll) + ")");
    char status[16];
    snprintf(status, sizeof status, "%08lx", static_cast<unsigned long>(cddb->TestStatus(0)));
    Check(std::string(status) == "00000000", std::string("the component reads its database folder (") + status + ")");
    cddb->Release();
}

} // namespace

int HostInstalledControl()
{
    CoInitialize(nullptr);
    const std::wstring folder = InstallFolder();
    Check(InitAtlHosting(), "Wine's ATL container window is ready");
    SearchInContainer(folder);
    CddbComponent(folder);
    CoUninitialize();
    return g_nFailed;
}
