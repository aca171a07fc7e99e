// CddbLocal.dll through its registration and CoCreateInstance, called at the
// function-table slots its callers use, on disc databases the tests write.
#include "CddbFixture.h"
#include <thread>

// The control's whole conversation with the component, slot by slot: set-up,
// registration of a user, a look-up on a worker thread, and the placeholders
// in between, which take nothing and answer E_NOTIMPL.
TEST_F(CddbLocal, AnswersAtTheSlotsTheControlCalls)
{
    TestDatabase db("slots");
    db.Lanterns();
    SetUserSetting(L"UserName", nullptr);
    IUnknown* component = NewComponent();
    ASSERT_NE(component, nullptr);

    BSTR id = SysAllocString(L"12345"), tag = SysAllocString(L"tag"), version = SysAllocString(L"1.0"),
         empty = SysAllocString(L"");
    EXPECT_EQ(Slot(component, 9, id, tag, version, empty), S_OK);
    EXPECT_EQ(Slot(component, 19, LONG_PTR(GetDesktopWindow()), LONG(2)), S_OK);
    IUnknown* options = nullptr;
    ASSERT_EQ(Slot(component, 12, &options), S_OK);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(Slot(options, 44, LONG(1)), S_OK);
    EXPECT_EQ(Slot(options, 38, LONG(0)), S_OK);
    EXPECT_EQ(Slot(component, 13, options), S_OK);
    Drop(options);

    IUnknown* registration = reinterpret_cast<IUnknown*>(1);
    EXPECT_TRUE(SUCCEEDED(Slot(component, 8, LONG(0), &registration)));
    EXPECT_EQ(registration, nullptr); // no user yet
    IUnknown* user = nullptr;
    ASSERT_EQ(Slot(component, 10, &user), S_OK);
    BSTR name = SysAllocString(L"ada"), password = SysAllocString(L"secret");
    EXPECT_EQ(Slot(user, 10, name), S_OK);
    EXPECT_EQ(Slot(user, 12, password), S_OK);
    EXPECT_EQ(Slot(component, 11, user), S_OK);
    Drop(user);
    ASSERT_EQ(Slot(component, 8, LONG(0), &registration), S_OK);
    ASSERT_NE(registration, nullptr);
    Drop(registration);
    IUnknown* service = nullptr;
    ASSERT_EQ(Slot(component, 57, &service), S_OK);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(Slot(component, 64, LONG(0)), S_OK);

    // The look-up runs on a thread of its own with the pointers of this one.
    std::wstring artist, album, genre, title, byList, tracks[3];
    LONG track = 0, count = 0;
    std::thread worker([&] {
        CoInitialize(nullptr);
        BSTR path = SysAllocString(L"M:\\The Lanterns\\Harbour Lights\\03 Breakwater.mp3");
        IUnknown* disc = nullptr;
        if (Slot(service, 12, path, LONG(0), &track, &disc) == S_OK && disc) {
            BSTR s = nullptr;
            Slot(disc, 11, &s), artist = Take(s), s = nullptr;
            Slot(disc, 9, &s), album = Take(s), s = nullptr;
            Slot(disc, 24, &s), genre = Take(s), s = nullptr;
            Slot(disc, 18, track, &s), title = Take(s), s = nullptr;
            IUnknown* list = nullptr;
            if (Slot(disc, 42, &list) == S_OK && list) {
                Slot(list, 7, &count);
                for (LONG n = 1; n <= 3; ++n) {
                    IUnknown* item = nullptr;
                    if (Slot(list, 8, n, &item) == S_OK && item) {
                        Slot(item, 7, &s), tracks[n - 1] = Take(s), s = nullptr;
                        item->Release();
                    }
                }
                list->Release();
            }
            disc->Release();
        }
        SysFreeString(path);
        // No direct match: the candidates wait in the component's result list.
        path = SysAllocString(L"M:\\The Lanterns\\Live\\encore.mp3");
        LONG none = -1;
        if (Slot(service, 12, path, LONG(0), &none, &disc) == S_OK && !disc && none == 0) {
            IUnknown* results = nullptr;
            if (Slot(component, 18, &results) == S_OK && results) {
                if (Slot(results, 8, LONG(1), &disc) == S_OK && disc) {
                    BSTR s = nullptr;
                    Slot(disc, 9, &s), byList = Take(s);
                    disc->Release();
                }
                results->Release();
            }
        }
        SysFreeString(path);
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(track, 3);
    EXPECT_EQ(artist, L"The Lanterns");
    EXPECT_EQ(album, L"Harbour Lights");
    EXPECT_EQ(genre, L"(17)");
    EXPECT_EQ(title, L"Breakwater");
    EXPECT_EQ(count, 4);
    EXPECT_EQ(tracks[0] + L"|" + tracks[1] + L"|" + tracks[2], L"Low Tide|Signal Fires|Breakwater");
    EXPECT_EQ(byList, L"Harbour Lights");

    // Every other slot of each interface is a harmless placeholder.
    IUnknown *disc = nullptr, *results = nullptr;
    LONG t;
    BSTR path = SysAllocString(L"M:\\The Lanterns\\Live\\encore.mp3");
    ASSERT_EQ(Slot(service, 12, path, LONG(0), &t, &disc), S_OK);
    ASSERT_EQ(Slot(component, 18, &results), S_OK);
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(Slot(results, 8, LONG(1), &disc), S_OK);
    SysFreeString(path);
    ASSERT_EQ(Slot(component, 12, &options), S_OK);
    ASSERT_EQ(Slot(component, 10, &user), S_OK);
    ASSERT_EQ(Slot(component, 8, LONG(0), &registration), S_OK);
    struct Used {
        IUnknown* object;
        int last;
        std::vector<int> used;
    } objects[] = {
        {component, 64, {8, 9, 10, 11, 12, 13, 18, 19, 57, 64}},
        {options, 44, {38, 44}},
        {user, 12, {10, 12}},
        {service, 12, {12}},
        {disc, 42, {9, 11, 18, 24, 42}},
        {results, 8, {8}},
    };
    for (const Used& o : objects) {
        for (int slot = 7; slot <= o.last; ++slot) {
            bool used = false;
            for (int u : o.used)
                used = used || u == slot;
            if (!used) {
                EXPECT_EQ(Slot(o.object, slot), E_NOTIMPL) << "slot " << slot;
            }
        }
    }
    Drop(disc), Drop(options), Drop(user), Drop(registration), Drop(results);
    Drop(service);
    EXPECT_EQ(component->Release(), 0u);
    SysFreeString(id), SysFreeString(tag), SysFreeString(version), SysFreeString(empty);
    SysFreeString(name), SysFreeString(password);
    SetUserSetting(L"UserName", nullptr);
    SetUserSetting(L"Password", nullptr);
    EXPECT_EQ(DllCall("DllCanUnloadNow"), S_OK);
}

// Identifications on the sample database, one a row: a file's folders name
// the disc, its file name the track (by the leading number, or by the title,
// which wins over a number that disagrees), with case, blanks and punctuation
// not deciding. Without a direct match the answer is success with no disc and
// the result list holds the discs the folders lead to, best first; with no
// candidate at all the component gives no list.
TEST_F(CddbLookup, DirectMatchesAndCandidates)
{
    db.Lanterns();
    Open();
    const struct {
        const wchar_t* path;
        const wchar_t* answer;
    } rows[] = {
        {L"M:\\Music\\The Lanterns\\Harbour Lights\\02.mp3", L"2 The Lanterns|Harbour Lights|Signal Fires|(17)"},
        {L"M:\\the lanterns\\HARBOUR LIGHTS\\01 - keepers song.mp3", L"4 The Lanterns|Harbour Lights|Keeper's Song|(17)"},
        // The title alone, in a folder of the artist's that names no album; no genre of its own: its category's.
        {L"T:tree\\The Lanterns\\Singles\\Fog Bell.mp3", L"3 The Lanterns|Salt and Iron|Fog Bell|(17)"},
        // One folder "Artist - Album", and a file name that is only the title.
        {L"C:\\The Lanterns - Salt and Iron\\northern pier.mp3", L"2 The Lanterns|Salt and Iron|Northern Pier|(17)"},
        // Both albums called "Paper Moons", but the artist's folder decides; not an ID3v1 genre: its name.
        {L"M:\\Mira Holt\\Paper Moons\\05.mp3", L"5 Mira Holt|Paper Moons|Vanishing Point|Shoegaze"},
        {L"M:\\Paper Moons\\chalk lines.mp3", L"2 Tessa Lowe|Paper Moons|Chalk Lines|(80)"},
        {L"M:\\Nightjar\\Dusk Variations\\3.mp3", L"3 Nightjar|Dusk Variations|Late Tram|(8)"},
        // A sampler's track titles name their artists.
        {L"M:\\Various\\Harbour Songs\\low tide.mp3", L"2 Various|Harbour Songs|The Lanterns / Low Tide|(13)"},
        {L"M:\\The Lanterns\\Harbour Lights\\bonus track.mp3",
         L"0: The Lanterns / Harbour Lights; The Lanterns / Harbour Lights; The Lanterns / Salt and Iron"},
        // A number beyond the album's tracks.
        {L"M:\\The Lanterns\\Salt and Iron\\07.mp3",
         L"0: The Lanterns / Salt and Iron; The Lanterns / Harbour Lights; The Lanterns / Harbour Lights"},
        // Two artists' albums of one name: a number alone cannot say which.
        {L"M:\\Paper Moons\\02.mp3", L"0: Tessa Lowe / Paper Moons; Mira Holt / Paper Moons"},
        {L"M:\\Loose Ends\\untitled demo.mp3", L"0: <none>"},
        {L"M:\\The Lanterns\\a\\b\\c\\01.mp3", L"0: <none>"}, // a folder far above the file does not count
        {L"", L"0: <none>"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Lookup(row.path), row.answer) << Narrow(row.path);
    // A direct match leaves no result list.
    Lookup(L"M:\\The Lanterns\\Harbour Lights\\02.mp3");
    EXPECT_EQ(Candidates(component), std::vector<std::wstring>{L"<none>"});
    // Read once: a disc file removed later is still answered from the index.
    DeleteFileW(db.FileOf(L"rock", L"2b03c403").c_str());
    EXPECT_EQ(Lookup(L"M:\\The Lanterns\\Salt and Iron\\01.mp3"), L"1 The Lanterns|Salt and Iron|Anchor Chain|(17)");
}

// Values continued over several lines, escapes, both text encodings of the
// format, its own example entry, and files that are no well-formed entries.
TEST_F(CddbLookup, ReadsTheFormatAndSkipsDamagedFiles)
{
    db.Write(L"rock", L"0a0b0c0d",
             "# xmcd\r\nDTITLE=The Long Name Orches\r\nDTITLE=tra / Songs \\\\ Sketches\r\n"
             "TTITLE0=Part One\\nPart\r\nTTITLE0= Two\r\nTTITLE2=Third\r\n");
    // The example entry of the format's description, the tracks it leaves out left out here too.
    db.Write(L"classical", L"270b8617",
             "# xmcd\n#\n# Track frame offsets:\n#\t150\n#\t210627\n#\n# Disc length: 2952 seconds\n#\n"
             "# Revision: 1\n# Submitted via: xmcd 2.0\n#\nDISCID=270b8617\n"
             "DTITLE=Franske Stemninger / Con Spirito\nDYEAR=1981\nDGENRE=Classical\n"
             "TTITLE0=Mille regretz de vous abandonner\nTTITLE22=L'arche de no\n"
             "EXTD=Copyright (c) 1981 MCA Records Inc.\\nManufactured f\nEXTD=or MCA Records Inc.\n"
             "EXTT0=Des Prez\\nYez\nEXTT22=Schmitt: A contre-voix \\n(excerpt)\nPLAYORDER=\n");
    db.Write(L"misc", L"0a0b0c0e", "# xmcd\nDTITLE=Bj\xF6rk Sven / Caf\xE9\nTTITLE0=Cr\xE8me\n");   // ISO-8859-1
    db.Write(L"misc", L"0a0b0c0f", "# xmcd\nDTITLE=Ana \xC3\x89lan / \xC3\x89t\xC3\xA9\nTTITLE0=Ol\xC3\xA1\n"); // UTF-8
    // Damaged: no signature, a zero byte, a line that is no KEY=value, a bad
    // track number, no title, nothing at all.
    db.Write(L"rock", L"11111111", "DTITLE=Broken / One\nTTITLE0=x\n");
    const char zero[] = "# xmcd\nDTITLE=Broken / Two\0\n";
    db.Write(L"rock", L"22222222", std::string(zero, sizeof zero - 1));
    db.Write(L"rock", L"33333333", "# xmcd\nDTITLE=Broken / Three\nthis line is damaged\n");
    db.Write(L"rock", L"44444444", "# xmcd\nDTITLE=Broken / Four\nTTITLEx=x\n");
    db.Write(L"rock", L"55555555", "# xmcd\nDTITLE=Broken / Five\nTTITLE123456789=x\n");
    db.Write(L"rock", L"66666666", "# xmcd\nDGENRE=Rock\nTTITLE0=x\n");
    db.Write(L"rock", L"77777777", "");
    db.Write(L"rock", L"notadisc", "# xmcd\nDTITLE=Broken / Six\nTTITLE0=x\n");
    Open();
    EXPECT_EQ(component->TestStatus(0), S_OK);

    EXPECT_EQ(Lookup(L"M:\\The Long Name Orchestra\\Songs _ Sketches\\01.mp3"),
              L"1 The Long Name Orchestra|Songs \\ Sketches|Part One Part Two|(17)");
    ICddbDisc* disc = nullptr;
    BSTR path = SysAllocString(L"M:\\The Long Name Orchestra\\Songs _ Sketches\\03.mp3");
    LONG track = 0;
    ASSERT_EQ(service->IdentifyFile(path, 0, &track, &disc), S_OK);
    SysFreeString(path);
    ASSERT_NE(disc, nullptr);
    ICddbTrackList* tracks = nullptr;
    ASSERT_EQ(disc->GetTracks(&tracks), S_OK);
    LONG count = 0;
    EXPECT_EQ(tracks->GetCount(&count), S_OK);
    EXPECT_EQ(count, 3); // the missing second title is empty
    ICddbTrack* item = reinterpret_cast<ICddbTrack*>(1);
    EXPECT_EQ(tracks->GetTrack(4, &item), E_INVALIDARG);
    EXPECT_EQ(item, nullptr);
    BSTR title = nullptr;
    EXPECT_EQ(disc->GetTrackTitle(0, &title), E_INVALIDARG);
    ASSERT_EQ(disc->GetTrackTitle(2, &title), S_OK);
    EXPECT_EQ(Take(title), L"");
    tracks->Release();
    disc->Release();

    EXPECT_EQ(Lookup(L"M:\\Franske Stemninger\\Con Spirito\\23 - L'Arche de No.mp3"),
              L"23 Franske Stemninger|Con Spirito|L'arche de no|(32)");
    EXPECT_EQ(Lookup(L"M:\\Bj\xF6rk Sven\\Caf\xE9\\cr\xC8me.mp3"), L"1 Bj\xF6rk Sven|Caf\xE9|Cr\xE8me|(12)");
    // No genre of its own: "misc" counts as Other.
    EXPECT_EQ(Lookup(L"M:\\Ana \xC9lan\\\xC9t\xE9\\01.mp3"), L"1 Ana \xC9lan|\xC9t\xE9|Ol\xE1|(12)");
    for (const wchar_t* broken : {L"One", L"Two", L"Three", L"Four", L"Five", L"Six"})
        EXPECT_EQ(Lookup((std::wstring(L"M:\\Broken\\") + broken + L"\\01.mp3").c_str()), L"0: <none>");
}

// Entries at the edges of what the format allows. TTITLE999, the highest
// number of three digits, is the thousandth track.
TEST_F(CddbLookup, ReadsTheEdgesOfTheFormat)
{
    db.Write(L"misc", L"7a0003e8", "# xmcd\nDTITLE=Thousand / Tracks\nTTITLE0=First\nTTITLE999=Last\n");
    Open();
    EXPECT_EQ(Lookup(L"M:\\Thousand\\Tracks\\Last.mp3"), L"1000 Thousand|Tracks|Last|(12)");
    EXPECT_EQ(Lookup(L"M:\\Thousand\\Tracks\\999.mp3"), L"999 Thousand|Tracks||(12)");
}

// A missing folder: the status test fails and nothing is found; once the
// folder is there the same component reads it.
TEST_F(CddbLookup, MissingDatabaseFolder)
{
    SetUserSetting(L"DatabaseFolder", (db.Folder() + L"\\not yet").c_str());
    Open();
    EXPECT_TRUE(FAILED(component->TestStatus(0)));
    EXPECT_EQ(Lookup(L"M:\\The Lanterns\\Harbour Lights\\01.mp3"), L"0: <none>");
    TestDatabase inner("lookup\\not yet");
    inner.Lanterns();
    EXPECT_EQ(component->TestStatus(0), S_OK);
    EXPECT_EQ(Lookup(L"M:\\The Lanterns\\Harbour Lights\\01.mp3"), L"1 The Lanterns|Harbour Lights|Low Tide|(17)");
}

// A user registered through one component is known to every later one; the
// password is not kept as plain text; a user without a name, or user
// information the component did not make, registers nobody.
TEST_F(CddbLocal, UserRegistrationPersists)
{
    TestDatabase db("user");
    SetUserSetting(L"UserName", nullptr);
    ICddbComponent* component = NewComponent();
    ASSERT_NE(component, nullptr);
    ICddbRegistration* registration = nullptr;
    EXPECT_EQ(component->GetRegistration(0, &registration), S_FALSE);
    EXPECT_EQ(registration, nullptr);

    ICddbUserInfo* user = nullptr;
    ASSERT_EQ(component->GetUserInfo(&user), S_OK);
    BSTR password = SysAllocString(L"open sesame");
    EXPECT_EQ(user->SetPassword(password), S_OK);
    EXPECT_EQ(component->RegisterUser(user), E_INVALIDARG); // no name
    EXPECT_EQ(component->RegisterUser(reinterpret_cast<ICddbUserInfo*>(component)), E_INVALIDARG);
    EXPECT_EQ(component->GetRegistration(0, &registration), S_FALSE);
    BSTR name = SysAllocString(L"Ada");
    EXPECT_EQ(user->SetUserName(name), S_OK);
    EXPECT_EQ(component->RegisterUser(user), S_OK);
    user->Release();
    EXPECT_EQ(component->Release(), 0u);

    component = NewComponent();
    ASSERT_NE(component, nullptr);
    EXPECT_EQ(component->GetRegistration(0, &registration), S_OK);
    ASSERT_NE(registration, nullptr);
    registration->Release();
    EXPECT_EQ(component->Release(), 0u);

    wchar_t stored[64] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"UserName", RRF_RT_REG_SZ, nullptr, stored, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(stored, L"Ada");
    BYTE secret[4096];
    size = sizeof secret;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"Password", RRF_RT_REG_BINARY, nullptr, secret, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(secret), size / 2).find(L"open sesame"), std::wstring::npos);
    SysFreeString(name), SysFreeString(password);
    SetUserSetting(L"UserName", nullptr);
    SetUserSetting(L"Password", nullptr);
}

// Registration writes the class for any threading model and the machine's
// database folder, without overwriting one that is set; unregistration
// removes both, and the class is then unknown.
TEST_F(CddbLocal, RegistersAndUnregisters)
{
    ASSERT_EQ(DllCall("DllUnregisterServer"), S_OK); // from a clean state
    ASSERT_EQ(DllCall("DllRegisterServer"), S_OK);
    const std::wstring clsidKey = L"CLSID\\{F4BAFF02-F907-11D2-8F8F-00C04F4C3B9F}\\InprocServer32";
    wchar_t text[MAX_PATH] = {};
    DWORD size = sizeof text;
    ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, clsidKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(lstrcmpiW(text, DllPath().c_str()), 0);
    size = sizeof text;
    RegGetValueW(HKEY_CLASSES_ROOT, clsidKey.c_str(), L"ThreadingModel", RRF_RT_REG_SZ, nullptr, text, &size);
    EXPECT_STREQ(text, L"Both");
    size = sizeof text;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"DatabaseFolder", RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    std::wstring dll = DllPath();
    EXPECT_EQ(lstrcmpiW(text, (dll.substr(0, dll.rfind(L'\\') + 1) + L"cddb").c_str()), 0);

    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"DatabaseFolder", REG_SZ, L"D:\\discs", 18);
    EXPECT_EQ(DllCall("DllRegisterServer"), S_OK);
    size = sizeof text;
    RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"DatabaseFolder", RRF_RT_REG_SZ, nullptr, text, &size);
    EXPECT_STREQ(text, L"D:\\discs");

    EXPECT_EQ(DllCall("DllUnregisterServer"), S_OK);
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    IUnknown* component = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CddbComponent, nullptr, CLSCTX_INPROC_SERVER, IID_ICddbComponent,
                               reinterpret_cast<void**>(&component)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(DllCall("DllRegisterServer"), S_OK); // for the tests that follow
}
