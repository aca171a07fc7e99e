// Names outside the ANSI code page: UTF-8 text, its UTF-16 form in the cache
// file, its order in the groups, and a catalogue changing code.
#include "TagFiles.h"
#include "TestFs.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include "platform/PlatformFile.h"

using platform::CODE_ANSI;
using platform::CODE_UTF8;

namespace {

std::string Utf8(const std::u16string& w) { return platform::WideToUtf8(reinterpret_cast<const uint16_t*>(w.data()), w.size()); }

class UnicodeNames : public FsTest {
protected:
    // A tagged record whose file exists, named in the catalogue's code.
    CMusicInfo* Add(CCatalogue& cat, const std::string& name, const std::string& artist)
    {
        std::string path = Path(name);
        PutFile(path, "data", cat.TextCode());
        std::unique_ptr<CMusicInfo> info(new CMusicInfo);
        info->m_strPath = path;
        info->m_strFileName = name;
        info->m_strArtist = artist;
        CMusicInfo* raw = info.get();
        EXPECT_EQ(cat.AddFile(nullptr, info), ADD_ADDED) << name;
        return raw;
    }
    static std::vector<std::string> Paths(const CCatalogue& cat)
    {
        std::vector<std::string> paths;
        for (const auto& entry : cat.Files())
            paths.push_back(entry.first);
        return paths;
    }
    static std::vector<std::string> Artists(CCatalogue& cat)
    {
        std::vector<std::string> names;
        for (const auto& group : cat.Artists())
            names.push_back(group.first + ":" + std::to_string(group.second.size()));
        return names;
    }
    std::string Cache() const { return Path("cache.snd"); }
};

} // namespace

TEST(TextCode, Utf8AndUtf16ConvertWholeAndMarkWhatIsBroken)
{
    const std::u16string mixed = u"Пётр 東京 \U0001D11E Café";
    const std::string utf8 = Utf8(mixed);
    EXPECT_EQ(utf8, "Пётр 東京 \xF0\x9D\x84\x9E Café");
    EXPECT_EQ(platform::Utf8ToWide(utf8), mixed);
    // A cut sequence, an encoded surrogate, an overlong slash, a byte that starts nothing.
    EXPECT_EQ(platform::Utf8ToWide("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(platform::Utf8ToWide("\xED\xA0\x80z"), u"\uFFFD\uFFFD\uFFFDz");
    EXPECT_EQ(platform::Utf8ToWide("\xC0\xAF\xFF"), u"\uFFFD\uFFFD\uFFFD");
    const uint16_t lone[] = {'x', 0xD834, 'y'};
    EXPECT_EQ(platform::WideToUtf8(lone, 3), "x\xEF\xBF\xBDy");

    std::string out = "unchanged";
    EXPECT_TRUE(platform::Recode("Caf\xE9", CODE_ANSI, CODE_UTF8, out));
    EXPECT_EQ(out, "Café");
    EXPECT_TRUE(platform::Recode("Café", CODE_UTF8, CODE_ANSI, out));
    EXPECT_EQ(out, "Caf\xE9");
    out = "unchanged";
    EXPECT_FALSE(platform::Recode("東京", CODE_UTF8, CODE_ANSI, out));
    EXPECT_EQ(out, "unchanged");
}

// The UTF-16 form for any string but ASCII; ASCII as before, so an ASCII
// catalogue gives the same bytes either way. Read back whole in UTF-8, in the
// code page without it.
TEST_F(UnicodeNames, CacheFileKeepsEveryNameInItsUtf16Form)
{
    CCatalogue ascii, asciiUtf8;
    asciiUtf8.SetTextCode(CODE_UTF8);
    Add(ascii, "plain.mp3", "Band");
    Add(asciiUtf8, "plain.mp3", "Band");
    ASSERT_EQ(SaveFile(ascii, Cache().c_str()), 0);
    const std::string off = GetFile(Cache());
    ASSERT_EQ(SaveFile(asciiUtf8, Cache().c_str()), 0);
    EXPECT_EQ(GetFile(Cache()), off);

    CCatalogue cat;
    cat.SetTextCode(CODE_UTF8);
    const std::string names[] = {"Пётр - Песня.mp3", "東京の夜.mp3", "Café.mp3", "\xF0\x9D\x84\x9E Clef.mp3"};
    for (const std::string& name : names)
        Add(cat, name, name.substr(0, name.find('.')))->m_strTitle = "Title " + name;
    ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);
    const std::string bytes = GetFile(Cache(), CODE_UTF8);
    // The clef's name: FF FEFF, 11 characters, its surrogate pair first.
    EXPECT_NE(bytes.find(std::string("\xFF\xFE\xFF\x0B\x34\xD8\x1E\xDD", 8)), std::string::npos);
    EXPECT_EQ(bytes.find("Caf\xE9"), std::string::npos);

    CCatalogue back;
    back.SetTextCode(CODE_UTF8);
    ASSERT_EQ(LoadFile(back, Cache().c_str()), 0);
    EXPECT_EQ(Paths(back), Paths(cat));
    for (const auto& entry : back.Files())
        EXPECT_EQ("Title " + std::string(entry.second->m_strFileName.view()), entry.second->m_strTitle.view());
    EXPECT_EQ(GetFile(Cache(), CODE_UTF8), bytes); // nothing to rewrite

    // Without the opt-in the strings come in the code page: the Latin name
    // still opens, the others name no file and go, as any missing file does.
    CCatalogue ansi;
    ASSERT_EQ(LoadFile(ansi, Cache().c_str()), 0);
    EXPECT_EQ(Paths(ansi), std::vector<std::string>{Path("Caf\xE9.mp3")});
    EXPECT_EQ(Artists(ansi), std::vector<std::string>{"Caf\xE9:1"});
}

TEST_F(UnicodeNames, AnsiCacheFileLoadsIntoUtf8)
{
    CCatalogue ansi;
    Add(ansi, "Caf\xE9.mp3", "Mot\xF6rhead");
    ASSERT_EQ(SaveFile(ansi, Cache().c_str()), 0);
    CCatalogue cat;
    cat.SetTextCode(CODE_UTF8);
    ASSERT_EQ(LoadFile(cat, Cache().c_str()), 0);
    EXPECT_EQ(Paths(cat), std::vector<std::string>{Path("Café.mp3")});
    EXPECT_EQ(Artists(cat), std::vector<std::string>{"Motörhead:1"});
}

// ASCII letters fold; every other byte weighs its value, so groups follow
// the code points and names that differ outside ASCII stay apart.
TEST_F(UnicodeNames, GroupsFollowCodePointsAndKeepNonAsciiCaseApart)
{
    CCatalogue cat;
    cat.SetTextCode(CODE_UTF8);
    const char* artists[] = {"東京", "émile", "Zed", "Ωmega", "ABBA", "Émile", "abba"};
    int n = 0;
    for (const char* artist : artists)
        Add(cat, "f" + std::to_string(n++) + ".mp3", artist);
    EXPECT_EQ(Artists(cat),
              (std::vector<std::string>{"ABBA:2", "Zed:1", "Émile:1", "émile:1", "Ωmega:1", "東京:1"}));
}

// Off to on converts every record; on to off only when each name has a place
// in the code page.
TEST_F(UnicodeNames, ChangingCodeConvertsTheRecordsOrIsRefused)
{
    CCatalogue cat;
    cat.SetGenreIniPath(Path("genres.ini").c_str()); // no such file: the path stays empty
    Add(cat, "Caf\xE9.mp3", "Caf\xE9");
    Add(cat, "b.mp3", "Band");
    ASSERT_TRUE(cat.CanRecode(CODE_UTF8));
    cat.SetTextCode(CODE_UTF8);
    EXPECT_EQ(Paths(cat), (std::vector<std::string>{Path("Café.mp3"), Path("b.mp3")}));
    EXPECT_TRUE(cat.IsInCatalogue(Path("Café.mp3").c_str()));
    EXPECT_EQ(cat.Files().begin()->second->m_strFileName.view(), "Café.mp3");
    EXPECT_EQ(Artists(cat), (std::vector<std::string>{"Band:1", "Café:1"}));

    Add(cat, "東京.mp3", "東京");
    EXPECT_FALSE(cat.CanRecode(CODE_ANSI));
    cat.ClearCatalogue(CLEAR_ALL_FILES | CLEAR_GROUPS);
    Add(cat, "Café.mp3", "Café");
    ASSERT_TRUE(cat.CanRecode(CODE_ANSI));
    cat.SetTextCode(CODE_ANSI);
    EXPECT_EQ(Paths(cat), std::vector<std::string>{Path("Caf\xE9.mp3")});
    EXPECT_EQ(Artists(cat), std::vector<std::string>{"Caf\xE9:1"});
}

// ID3v1 bytes are in the code page; the tag library's text comes whole.
TEST_F(UnicodeNames, ReaderGivesTagsInUtf8)
{
    PutFile(Path("v1.mp3"), Mp3WithTag("Caf\xE9", "Mot\xF6rhead", "Album", 17));
    CMusicInfo v1;
    ASSERT_EQ(ReadMusicFile(v1, Path("v1.mp3").c_str(), false, CODE_UTF8), 1);
    EXPECT_EQ(v1.m_strTitle.view(), "Café");
    EXPECT_EQ(v1.m_strArtist.view(), "Motörhead");

    const std::string name = Path("東京.mp3");
    PutFile(name, Id3v2Tag(3, {{"TIT2", Utf16Text(u"夜 \U0001D11E")}, {"TPE1", Utf16Text(u"Пётр")}}), CODE_UTF8);
    CMusicInfo v2;
    ASSERT_EQ(ReadMusicFile(v2, name.c_str(), true, CODE_UTF8), 1);
    EXPECT_EQ(v2.m_strTitle.view(), "夜 \xF0\x9D\x84\x9E");
    EXPECT_EQ(v2.m_strArtist.view(), "Пётр");
    EXPECT_EQ(v2.m_strFileName.view(), "東京.mp3");
}
