// Names outside the ANSI code page through the hosted control: found, read,
// shown, grouped, handed on, saved and loaded with UnicodeNames; lost as
// before without it.
#include "HostedControl.h"

namespace {

bool Opens(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

std::set<std::wstring> Sorted(const std::vector<std::wstring>& items) { return {items.begin(), items.end()}; }

// GetSelectedItems as UTF-16 paths.
std::vector<std::wstring> WideSelectedItems(IDispatch* ctrl)
{
    VARIANT n = VShort(0);
    Call c = Method(ctrl, L"GetSelectedItems", {VRef(&n)});
    std::vector<std::wstring> paths;
    if (c.result.vt != (VT_ARRAY | VT_BSTR))
        return paths;
    BSTR* data = nullptr;
    SafeArrayAccessData(c.result.parray, reinterpret_cast<void**>(&data));
    for (LONG i = 0; i < n.iVal; ++i)
        paths.push_back(data[i]);
    SafeArrayUnaccessData(c.result.parray);
    return paths;
}

std::wstring WideItemsString(IDispatch* ctrl)
{
    VARIANT s;
    s.vt = VT_BSTR;
    s.bstrVal = SysAllocString(L"");
    Method(ctrl, L"GetSelectedItemsString", {VRef(&s)});
    std::wstring text = s.bstrVal;
    VariantClear(&s);
    return text;
}

void SelectAll(HWND list)
{
    std::vector<int> all(size_t(CListView(list).ItemCount()));
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = int(i);
    CListView(list).Select(all);
}

class UnicodeNames : public Views {
protected:
    std::vector<std::wstring> Offered() const
    {
        std::vector<std::wstring> paths;
        for (const Event& e : sink.events)
            if (e.id == ADDING)
                paths.push_back(e.wide);
        return paths;
    }
    static std::vector<std::wstring> FileNames()
    {
        std::vector<std::wstring> names;
        for (const std::wstring& name : MixedNames())
            names.push_back(name.substr(name.find(L'\\') + 1));
        return names;
    }
};

} // namespace

TEST_F(UnicodeNames, EveryNameIsFoundReadShownHandedOnSavedAndLoaded)
{
    // Genre names in UTF-16 from a file of a Cyrillic name.
    ASSERT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
    const std::wstring ini = L"\xFEFF[Русский]\r\n17=Рок\r\n";
    HANDLE h = CreateFileW(L"T:\\tree\\Жанры.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, ini.data(), DWORD(ini.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
    Put(ctrl, L"StrLang", VStr(L"Русский"));
    Put(ctrl, L"GenreIniFilePath", VStr(L"T:\\tree\\Жанры.ini"));
    Method(ctrl, L"SetUnknString", {VShort(3), VStr(L"Genre inconnu é")});
    SearchMixedFolder();
    std::vector<std::wstring> offered = Offered();
    ASSERT_EQ(offered.size(), 6u);
    for (const std::wstring& path : offered)
        EXPECT_TRUE(Opens(path)) << Narrow(path.c_str());
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{6, 6, 6}));

    // The list shows each name, its path and the host's text as they are.
    HWND files = Shown();
    EXPECT_EQ(Sorted(WideRows(files)), Sorted(FileNames()));
    EXPECT_EQ(Sorted(WideRows(files, 3)), Sorted(offered));
    EXPECT_EQ(WideRows(files, 2), std::vector<std::wstring>(6, L"Инфо"));

    // Two header clicks sort the names in that order, both ways round.
    const std::vector<std::wstring> ascending = {L"Café.mp3",         L"plain.mp3",    L"Ελληνικά.mp3",
                                                 L"Пётр - Песня.mp3", L"東京の夜.mp3", L"\U0001D11E Clef.mp3"};
    std::set<std::vector<std::wstring>> orders;
    for (int click = 0; click < 2; ++click) {
        ClickListHeader(files, 0);
        orders.insert(WideRows(files));
    }
    EXPECT_EQ(orders, (std::set<std::vector<std::wstring>>{ascending, {ascending.rbegin(), ascending.rend()}}));

    // Handed on: every path opens, in the array and in the tagged text.
    SelectAll(files);
    std::vector<std::wstring> selected = WideSelectedItems(ctrl);
    EXPECT_EQ(Sorted(selected), Sorted(offered));
    std::wstring tagged;
    for (const std::wstring& path : selected)
        tagged += path + L"|";
    EXPECT_EQ(WideItemsString(ctrl), tagged);

    // Grouped under the artists as written: ASCII letters fold, the rest in
    // code-point order.
    SetView(1040);
    std::vector<std::wstring> artists = {L"Café", L"plain", L"Ελληνικά", L"Пётр - Песня", L"東京の夜", L"\U0001D11E Clef"};
    EXPECT_EQ(WideRows(Shown()), artists);

    // Saved to a file of a Greek name, named as the cache file of another
    // control set up before it has its windows: the same catalogue, its
    // lists showing the names whole, and the same bytes saved again.
    const wchar_t* cache = L"T:\\tree\\Κατάλογος.snd";
    ASSERT_EQ(Method(ctrl, L"SaveFile", {VStr(cache)}).Long(), 0);
    IDispatch* early = NewControl();
    ASSERT_NE(early, nullptr);
    ASSERT_EQ(Put(early, L"UnicodeNames", VBool(true)).hr, S_OK);
    ASSERT_EQ(Put(early, L"CacheFile", VStr(cache)).hr, S_OK);
    CHosted other;
    ASSERT_TRUE(other.Open(frame, 0, early));
    EXPECT_EQ(MusicCounts(other.ctrl), (std::vector<LONG>{6, 6, 6}));
    EXPECT_EQ(Sorted(WideRows(FindShownList(other.ax))), Sorted(FileNames()));
    Put(other.ctrl, L"Style", VLong(2));
    Put(other.ctrl, L"View", VLong(1040));
    EXPECT_EQ(WideRows(FindShownList(other.ax)), WideRows(Shown()));
    const wchar_t* again = L"T:\\tree\\again.snd";
    ASSERT_EQ(Method(other.ctrl, L"SaveFile", {VStr(again)}).Long(), 0);
    HANDLE a = CreateFileW(cache, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char bytes[4096];
    DWORD n = 0;
    ReadFile(a, bytes, sizeof bytes, &n, nullptr);
    CloseHandle(a);
    EXPECT_EQ(std::string(bytes, n), GetFile("T:\\tree\\again.snd"));
    // The genres from the file; the unknown group's label (the host's, in the
    // code page) as it is.
    SetView(1042);
    EXPECT_EQ(WideRows(Shown()), (std::vector<std::wstring>{L"Genre inconnu é", L"Рок"}));
}

// Without it the code page is all there is: names it lacks reach the host
// with '?' and never open. Turned on, the records change code; turned off
// again only while every name fits the code page. A file saved with it on
// loads without it into what the code page can name.
TEST_F(UnicodeNames, OffLosesWhatTheCodePageLacksAndTheChangeConvertsOrIsRefused)
{
    WriteMixedFolder();
    EXPECT_FALSE(Get(ctrl, L"UnicodeNames").Bool());
    ASSERT_EQ(Put(ctrl, L"ExtendedTags", VBool(true)).hr, S_OK);
    sink.blankOffers = false;
    AddSearch(L"T:\\tree", {L"*.mp3"});
    sink.onAdding = [this](const std::string&) { // no change while the walk runs
        EXPECT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).excep.scode, MAKE_SCODE(SEVERITY_ERROR, FACILITY_CONTROL, 1003));
    };
    ASSERT_TRUE(RunSearch());
    sink.onAdding = nullptr;
    std::vector<std::wstring> offered = Offered();
    EXPECT_EQ(offered.size(), 5u); // the Cyrillic folder cannot be walked
    EXPECT_EQ(std::count_if(offered.begin(), offered.end(), Opens), 2);
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{2, 2, 2}));

    CListView(Shown()).Select({0, 1});
    ASSERT_EQ(Put(ctrl, L"UnicodeNames", VBool(true)).hr, S_OK);
    EXPECT_EQ(sink.Last(SELECTED)->b, 0); // the lists were filled anew
    SetView(1040);
    EXPECT_EQ(WideRows(Shown()), (std::vector<std::wstring>{L"Café", L"plain"}));
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{6, 6, 6}));
    Call refused = Put(ctrl, L"UnicodeNames", VBool(false));
    EXPECT_EQ(refused.excep.scode, MAKE_SCODE(SEVERITY_ERROR, FACILITY_CONTROL, 1004));
    EXPECT_TRUE(Get(ctrl, L"UnicodeNames").Bool());
    EXPECT_EQ(WideRows(Shown()).size(), 6u);

    ASSERT_EQ(Method(ctrl, L"SaveFile", {VStr(L"T:\\tree\\on.snd")}).Long(), 0);
    CHosted off;
    ASSERT_TRUE(off.Open(frame, 0));
    ASSERT_EQ(Method(off.ctrl, L"LoadFile", {VStr(L"T:\\tree\\on.snd")}).Long(), 0);
    EXPECT_EQ(MusicCounts(off.ctrl), (std::vector<LONG>{2, 2, 2}));
    EXPECT_EQ(Sorted(WideRows(FindShownList(off.ax))), Sorted({L"Café.mp3", L"plain.mp3"}));

    // Not among the saved properties.
    Call reloaded = ReloadedGet(ctrl, L"UnicodeNames");
    EXPECT_EQ(reloaded.hr, S_OK);
    EXPECT_FALSE(reloaded.Bool());
}
