// Searches whose roots are whole paths: folders on a drive and shares, with
// FolderSearch on. The share \\twhost\music is an empty folder of the build
// tree, as T: and U: are.
#include "HostedControl.h"

namespace {

const char* const kShare = "\\\\twhost\\music";
const char* const kAlbum = "\\\\twhost\\music\\album";

std::string Numbered(const std::string& folder, const char* stem, int i)
{
    char name[16];
    std::snprintf(name, sizeof name, "%s%02d.mp3", stem, i);
    return folder + "\\" + name;
}

class FolderSearch : public Views {
protected:
    void SetUp() override
    {
        Views::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(Put(ctrl, L"FolderSearch", VBool(true)).hr, S_OK);
        ASSERT_TRUE(Get(ctrl, L"FolderSearch").Bool());
        m_bShare = GetFileAttributesA(kShare) != INVALID_FILE_ATTRIBUTES;
        if (m_bShare)
            RemoveTestFolder(kAlbum);
    }
    void TearDown() override
    {
        if (m_bShare)
            RemoveTestFolder(kAlbum);
        Views::TearDown();
    }
    std::vector<LONG> Percents() const
    {
        std::vector<LONG> percents;
        for (const Event& e : sink.events)
            if (e.id == PROGRESS)
                percents.push_back(e.a);
        return percents;
    }
    bool Delete(const wchar_t* key) { return Method(ctrl, L"DeleteSearch", {VStr(key)}).Bool(); }
    bool m_bShare = false;
};

bool OpensFromElsewhere(const std::string& path)
{
    char was[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, was);
    SetCurrentDirectoryA("C:\\");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetCurrentDirectoryA(was);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

} // namespace

// Only the files below each root, named in full, with progress against what
// lies below the roots: 20 files in the folder, 20 in a folder of the share,
// one cluster each, and the share's folder itself, 41 clusters in all.
TEST_F(FolderSearch, FolderAndShareRootsOfferTheirFilesInFullWithProgressOfTheirOwn)
{
    if (!m_bShare)
        GTEST_SKIP() << "the share " << kShare << " is not set up";
    CreateDirectoryA("T:\\tree\\music", nullptr);
    CreateDirectoryA(kAlbum, nullptr);
    std::vector<std::string> expected;
    for (int i = 0; i < 20; ++i) {
        expected.push_back(Numbered("T:\\tree\\music", "t", i));
        expected.push_back(Numbered(kAlbum, "s", i));
    }
    for (const std::string& path : expected)
        Write(path, "x");
    Write("T:\\tree\\outside.mp3", "x");
    AddSearch(L"T:/tree/music/", {L"*.mp3"});
    AddSearch(L"\\\\twhost\\music\\", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());

    std::vector<std::string> offered = sink.Offered();
    std::sort(offered.begin(), offered.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(offered, expected);
    for (const std::string& path : offered)
        EXPECT_TRUE(OpensFromElsewhere(path)) << path;
    EXPECT_EQ(Percents(), (std::vector<LONG>{24, 48, 73, 97, 100}));
    EXPECT_EQ(sink.Last(PROGRESS)->b, 40);
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{0, 40, 40}));
    // The keys are the whole paths.
    EXPECT_FALSE(Delete(L"T:/tree/music/"));
    EXPECT_TRUE(Delete(L"T:\\tree\\music"));
    EXPECT_TRUE(Delete(L"\\\\twhost\\music"));
}

TEST_F(FolderSearch, TextsThatNeedACurrentFolderOrNameNoFolderAddNothing)
{
    Write("T:\\tree\\a.mp3", "x");
    for (const wchar_t* text : {L"tree", L"T:tree", L"\\tree", L"\\\\twhost", L"1:\\tree", L"\\\\?\\T:\\tree"})
        AddSearch(text, {L"*.mp3"}); // answers TRUE, as for an empty volume
    Method(ctrl, L"BeginSearch"); // an empty table: nothing starts
    Pump(300);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{0, 0, 0}));
}

// A run-time choice for the texts AddSearch is given next, described in the
// type library and never saved; off, a path loses its backslashes as ever.
TEST_F(FolderSearch, TheSwitchDecidesHowTheNextTextsAreReadAndIsNotSaved)
{
    ITypeInfo* info = nullptr;
    ASSERT_EQ(ctrl->GetTypeInfo(0, 0, &info), S_OK);
    BSTR name = nullptr, doc = nullptr;
    EXPECT_EQ(info->GetDocumentation(DISPID_TW_FOLDERSEARCH, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(name), "FolderSearch");
    EXPECT_GT(SysStringLen(doc), 20u);
    SysFreeString(name);
    SysFreeString(doc);
    info->Release();

    AddSearch(L"T:\\tree\\", {L"*.mp3"});
    ASSERT_EQ(Put(ctrl, L"FolderSearch", VBool(false)).hr, S_OK);
    EXPECT_FALSE(Get(ctrl, L"FolderSearch").Bool());
    AddSearch(L"T:\\tree\\", {L"*.mp3"});
    EXPECT_TRUE(Delete(L"T:tree"));
    EXPECT_TRUE(Delete(L"T:\\tree")); // made while it was on

    ASSERT_EQ(Put(ctrl, L"FolderSearch", VBool(true)).hr, S_OK);
    CHosted fresh;
    ASSERT_TRUE(fresh.Open(frame, 0));
    EXPECT_FALSE(Get(fresh.ctrl, L"FolderSearch").Bool());
    Call reloaded = ReloadedGet(ctrl, L"FolderSearch");
    EXPECT_EQ(reloaded.hr, S_OK);
    EXPECT_FALSE(reloaded.Bool());
}

// With UnicodeNames the system's length limit is no limit: a file of a path of
// 300 characters is walked, read, offered as it is named, catalogued, saved
// and loaded back.
TEST_F(FolderSearch, APathOf300CharactersGoesEveryWayAShortOneGoes)
{
    ASSERT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
    std::wstring folder = L"T:\\tree";
    while (folder.size() < 240) {
        folder += L"\\Очень длинное имя папки";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    }
    const std::wstring file = folder + L"\\" + std::wstring(300 - folder.size() - 5, L'ж') + L".mp3";
    ASSERT_EQ(file.size(), 300u);
    const std::string bytes = Mp3WithTag("Deep", "Band", "Far", 0);
    HANDLE h = CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());

    std::vector<std::wstring> offered;
    for (const Event& e : sink.events)
        if (e.id == ADDING)
            offered.push_back(e.wide);
    EXPECT_EQ(offered, std::vector<std::wstring>{file});
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{1, 1, 1})); // its tag was read
    EXPECT_EQ(WideCell(Shown(), 0, 3), file);
    SetView(1040);
    EXPECT_EQ(WideRows(Shown()), std::vector<std::wstring>{L"Band"});

    ASSERT_EQ(Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\long.snd")}).Long(), 0);
    CHosted other;
    ASSERT_TRUE(other.Open(frame, 0));
    ASSERT_EQ(Put(other.ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
    ASSERT_EQ(Method(other.ctrl, L"LoadFile", {VStr(L"T:\\tree\\long.snd")}).Long(), 0);
    EXPECT_EQ(MusicCounts(other.ctrl), (std::vector<LONG>{1, 1, 1})); // the file was found where it was
    EXPECT_EQ(WideCell(FindShownList(other.ax), 0, 3), file);
}

// A root that cannot be listed, a folder or a share, offers nothing and the
// next root of the table is walked (keys go in byte order: T: before \\).
TEST_F(FolderSearch, ARootThatIsNotThereEndsWithNoFilesAndTheNextIsWalked)
{
    if (!m_bShare)
        GTEST_SKIP() << "the share " << kShare << " is not set up";
    CreateDirectoryA(kAlbum, nullptr);
    Write("T:\\tree\\a.mp3", "x");
    Write(std::string(kAlbum) + "\\b.mp3", "x");
    AddSearch(L"T:\\missing", {L"*.mp3"});
    AddSearch(L"T:\\tree", {L"*.mp3"});
    AddSearch(L"\\\\nosuch\\music", {L"*.mp3"});
    AddSearch(L"\\\\twhost\\music", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(sink.Offered(), (std::vector<std::string>{"T:\\tree\\a.mp3", std::string(kAlbum) + "\\b.mp3"}));
    EXPECT_EQ(sink.Last(PROGRESS)->a, 100);
    EXPECT_EQ(sink.Last(PROGRESS)->b, 2);
    EXPECT_EQ(sink.events.back().id, END);
}

// A root inside another is walked again with its own patterns: what the
// first walk catalogued is not offered again but still counts.
TEST_F(FolderSearch, NestedRootsAreEachWalkedWithTheirOwnPatterns)
{
    CreateDirectoryA("T:\\tree\\rock", nullptr);
    Write("T:\\tree\\a.mp3", "x");
    Write("T:\\tree\\loose.wav", "RIFF");
    Write("T:\\tree\\rock\\b.mp3", "x");
    Write("T:\\tree\\rock\\c.wav", "RIFF");
    AddSearch(L"T:\\tree", {L"*.mp3"});
    AddSearch(L"T:\\tree\\rock", {L"*.mp3", L"*.wav"});
    ASSERT_TRUE(RunSearch());
    std::vector<std::string> offered = sink.Offered();
    ASSERT_EQ(offered.size(), 3u);
    std::sort(offered.begin(), offered.end() - 1); // the first root's two, in the order the walk met them
    EXPECT_EQ(offered, (std::vector<std::string>{"T:\\tree\\a.mp3", "T:\\tree\\rock\\b.mp3", "T:\\tree\\rock\\c.wav"}));
    EXPECT_EQ(sink.Last(PROGRESS)->b, 4); // b.mp3 twice
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{0, 2, 3}));
}
