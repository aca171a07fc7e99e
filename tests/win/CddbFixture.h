// CddbLocal.dll's tests' common ground: a disc database of the test's own
// set as the user's database folder, a component created through COM, and a
// look-up read as the control reads it.
#pragma once
#include "ControlHost.h"
#include "../core/TestFs.h"
#include "lookup/CddbApi.h"
#include <gtest/gtest.h>
#include <olectl.h>
#include <string>
#include <vector>


inline const wchar_t kSettingsKey[] = L"Software\\Tarnwick\\CddbLocal";

inline std::wstring DllPath()
{
    std::string path = HostPath(TW_CDDB_PATH);
    return std::wstring(path.begin(), path.end());
}

inline HRESULT DllCall(const char* entry) { return ModuleCall(TW_CDDB_PATH, entry); }

// Calls the function-table entry of that number directly, as compiled callers
// do, whatever the header declares there.
template <class... A>
HRESULT Slot(void* object, int slot, A... args)
{
    using Fn = HRESULT(STDMETHODCALLTYPE*)(void*, A...);
    return reinterpret_cast<Fn>((*static_cast<void***>(object))[slot])(object, args...);
}

inline std::wstring Take(BSTR text)
{
    std::wstring out = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
    SysFreeString(text);
    return out;
}

inline void SetUserSetting(const wchar_t* name, const wchar_t* value)
{
    if (value)
        RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value, DWORD((wcslen(value) + 1) * 2));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name);
}

// A disc database of the test's own, set as the current user's database folder.
class TestDatabase {
public:
    explicit TestDatabase(const char* name)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"cddbtest-" + std::to_wstring(GetCurrentProcessId()) + L"-";
        for (const char* p = name; *p; ++p)
            m_folder += wchar_t(*p);
        RemoveTestFolder(Narrow(m_folder.c_str()));
        CreateDirectoryW(m_folder.c_str(), nullptr);
        SetUserSetting(L"DatabaseFolder", m_folder.c_str());
    }
    ~TestDatabase()
    {
        RemoveTestFolder(Narrow(m_folder.c_str()));
        SetUserSetting(L"DatabaseFolder", nullptr);
    }
    const std::wstring& Folder() const { return m_folder; }
    std::wstring FileOf(const wchar_t* category, const wchar_t* id) const
    {
        return m_folder + L"\\" + category + L"\\" + id;
    }
    void Write(const wchar_t* category, const wchar_t* id, const std::string& bytes) const
    {
        CreateDirectoryW((m_folder + L"\\" + category).c_str(), nullptr);
        HANDLE h = CreateFileW(FileOf(category, id).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    // A well-formed entry: "Artist / Album", genre and titles in UTF-8.
    void Disc(const wchar_t* category, const wchar_t* id, const std::string& title, const std::string& genre,
              const std::vector<std::string>& tracks) const
    {
        std::string text = "# xmcd\n#\n# Track frame offsets:\n#\t150\n#\n# Revision: 0\n#\nDISCID=00000000\n";
        text += "DTITLE=" + title + "\nDYEAR=2001\nDGENRE=" + genre + "\n";
        for (size_t i = 0; i < tracks.size(); ++i)
            text += "TTITLE" + std::to_string(i) + "=" + tracks[i] + "\n";
        text += "EXTD=\nPLAYORDER=\n";
        Write(category, id, text);
    }
    // The sample artist's two albums, the first entered twice, and an album
    // whose name another artist uses as well.
    void Lanterns() const
    {
        Disc(L"rock", L"1a02b304", "The Lanterns / Harbour Lights", "Rock",
             {"Low Tide", "Signal Fires", "Breakwater", "Keeper's Song"});
        Disc(L"misc", L"1a02b304", "The Lanterns / Harbour Lights", "Rock",
             {"Low Tide", "Signal Fires", "Breakwater", "Keeper's Song"});
        Disc(L"rock", L"2b03c403", "The Lanterns / Salt and Iron", "", {"Anchor Chain", "Northern Pier", "Fog Bell"});
        Disc(L"misc", L"3c04d505", "Mira Holt / Paper Moons", "Shoegaze",
             {"Paper Moons", "Glass Garden", "Letters Home", "Blue Hour", "Vanishing Point"});
        Disc(L"folk", L"4d05e603", "Tessa Lowe / Paper Moons", "Folk", {"Paper Boats", "Chalk Lines", "Moonrise"});
        Disc(L"jazz", L"5e06f703", "Nightjar / Dusk Variations", "", {"Owl Light", "Moth Waltz", "Late Tram"});
        Disc(L"misc", L"6f07a802", "Various / Harbour Songs", "Pop",
             {"Mira Holt / Blue Hour", "The Lanterns / Low Tide"});
    }

private:
    std::wstring m_folder;
};

inline ICddbComponent* NewComponent()
{
    ICddbComponent* component = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_CddbComponent, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                  IID_ICddbComponent, reinterpret_cast<void**>(&component));
    EXPECT_EQ(hr, S_OK);
    return component;
}

// The result list as "Artist / Album" lines; "<none>" when the component gives no list.
inline std::vector<std::wstring> Candidates(ICddbComponent* component)
{
    ICddbResultList* list = nullptr;
    EXPECT_EQ(component->GetResultList(&list), S_OK);
    if (!list)
        return {L"<none>"};
    std::vector<std::wstring> out;
    ICddbDisc* disc = nullptr;
    for (LONG i = 1; SUCCEEDED(list->GetItem(i, &disc)); ++i) {
        BSTR artist = nullptr, album = nullptr;
        disc->GetArtist(&artist);
        disc->GetAlbum(&album);
        out.push_back(Take(artist) + L" / " + Take(album));
        Drop(disc);
    }
    list->Release();
    return out;
}

class CddbLocal : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        ASSERT_EQ(DllCall("DllRegisterServer"), S_OK);
    }
    static void TearDownTestSuite()
    {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
};

// A component and its look-up service on a database of the test's own, both
// released to nothing at the end.
class CddbLookup : public CddbLocal {
protected:
    // The component, once the test has written its database.
    void Open()
    {
        component = NewComponent();
        ASSERT_NE(component, nullptr);
        EXPECT_EQ(component->GetLookupService(&service), S_OK);
    }
    void TearDown() override
    {
        Drop(service);
        if (component) {
            EXPECT_EQ(component->Release(), 0u);
        }
    }
    // An identification read as the control reads it: a direct match as "track
    // artist|album|title|genre"; otherwise "0: " and the candidates, "<none>"
    // when the component gives no list.
    std::wstring Lookup(const wchar_t* path)
    {
        ICddbDisc* disc = nullptr;
        BSTR text = SysAllocString(path);
        LONG track = -1;
        EXPECT_EQ(service->IdentifyFile(text, 0, &track, &disc), S_OK);
        SysFreeString(text);
        std::wstring out = std::to_wstring(track);
        if (disc) {
            BSTR s[4] = {};
            disc->GetArtist(&s[0]), disc->GetAlbum(&s[1]), disc->GetTrackTitle(track, &s[2]), disc->GetGenre(&s[3]);
            disc->Release();
            return out + L" " + Take(s[0]) + L"|" + Take(s[1]) + L"|" + Take(s[2]) + L"|" + Take(s[3]);
        }
        out += L":";
        for (const std::wstring& c : Candidates(component))
            out += (out.back() == L':' ? L" " : L"; ") + c;
        return out;
    }

    TestDatabase db{"lookup"};
    ICddbComponent* component = nullptr;
    ICddbLookupService* service = nullptr;
};

