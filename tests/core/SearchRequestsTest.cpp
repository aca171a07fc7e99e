#include "catalogue/SearchRequests.h"
#include "TestRuntime.h"
#include <gtest/gtest.h>

namespace {
std::vector<std::string> Patterns(const CSearchRequests& r, const std::string& key)
{
    auto it = r.Requests().find(key);
    return it == r.Requests().end() ? std::vector<std::string>{"<none>"}
                                    : std::vector<std::string>(it->second.begin(), it->second.end());
}
} // namespace

TEST(SearchRequests, VolumeAndPatternsAreNormalised)
{
    CSearchRequests r;
    const char* mp3[] = {"*.MP3", "*.mp3", "*.*", "*", "w.a.v"};
    EXPECT_TRUE(r.AddSearch("C:\\", mp3, 5));
    EXPECT_EQ(Patterns(r, "C:"), (std::vector<std::string>{"", "MP3", "mp3", "wav"}));
    const char* wav[] = {"*.wav"};
    EXPECT_TRUE(r.AddSearch("D", wav, 1));
    EXPECT_EQ(Patterns(r, "D:"), (std::vector<std::string>{"wav"}));
    EXPECT_TRUE(r.AddSearch("C:\\Music\\Pop", wav, 1));
    EXPECT_EQ(Patterns(r, "C:MusicPop"), (std::vector<std::string>{"wav"}));
    EXPECT_EQ(CSearchRequests::ExtensionList(r.Requests().at("C:")), "||MP3|mp3|wav");
}

TEST(SearchRequests, RepeatedVolumeGainsTheUnionAndCaseMakesTwoVolumes)
{
    CSearchRequests r;
    const char* a[] = {"*.mp3", "*.wav"};
    const char* b[] = {"*.ogg", "*.mp3"};
    r.AddSearch("C:", a, 2);
    r.AddSearch("C", b, 2);
    r.AddSearch("c:", b, 1);
    EXPECT_EQ(Patterns(r, "C:"), (std::vector<std::string>{"mp3", "ogg", "wav"}));
    EXPECT_EQ(Patterns(r, "c:"), (std::vector<std::string>{"ogg"}));
    EXPECT_EQ(r.Requests().size(), 2u);
}

TEST(SearchRequests, EmptyVolumeNullPatternAndCountsAtTheEdges)
{
    CSearchRequests r;
    const char* p[] = {nullptr, "*.mp3"};
    EXPECT_FALSE(r.AddSearch("", p, 2));
    EXPECT_FALSE(r.AddSearch(nullptr, p, 2));
    EXPECT_TRUE(r.AddSearch("E", p, 0)); // no patterns: no entry
    EXPECT_TRUE(r.AddSearch("F", p, -3));
    EXPECT_TRUE(r.Requests().empty());
    EXPECT_TRUE(r.AddSearch("G", p, 1)); // a null pattern is the empty pattern
    EXPECT_EQ(Patterns(r, "G:"), (std::vector<std::string>{""}));
}

TEST(SearchRequests, DeleteNeedsTheExactKeyAndAnIdleState)
{
    CSearchRequests r;
    const char* p[] = {"*.wav"};
    r.AddSearch("D", p, 1);
    EXPECT_FALSE(r.DeleteSearch("D:\\"));
    EXPECT_FALSE(r.DeleteSearch("d:"));
    r.SetState(SEARCH_RUNNING);
    EXPECT_FALSE(r.DeleteSearch("D:"));
    EXPECT_FALSE(r.DelAllSearches());
    EXPECT_FALSE(r.AddSearch("E", p, 1)); // the worker walks the table: no change while it runs
    EXPECT_EQ(r.Requests().size(), 1u);
    r.SetState(SEARCH_IDLE);
    EXPECT_TRUE(r.DeleteSearch("D:"));
    EXPECT_FALSE(r.DeleteSearch("D:"));
    EXPECT_TRUE(r.DelAllSearches());
    r.AddSearch("A", p, 1);
    EXPECT_TRUE(r.DelAllSearches());
    EXPECT_TRUE(r.Requests().empty());
}

// --- Folder keys: a volume text names a whole folder

namespace {
// The key of a text, or "<refused>".
std::string KeyOf(const char* text, platform::TextCode code = platform::CODE_ANSI)
{
    std::string key;
    return CSearchRequests::FolderKey(text, code, key) ? key : "<refused>";
}
} // namespace

TEST(FolderKeys, DrivesSharesAndFoldersTakeOneForm)
{
    const std::pair<const char*, const char*> forms[] = {
        {"C", "C:"},
        {"C:", "C:"},
        {"C:\\", "C:"},
        {"C:/", "C:"},
        {"c:\\Music", "c:\\Music"}, // case is kept: keys compare case-sensitively
        {"C:\\Music\\", "C:\\Music"},
        {"C:/Music/Rock/", "C:\\Music\\Rock"},
        {"C:\\\\Music\\\\\\Rock\\\\", "C:\\Music\\Rock"},
        {"C:\\Music\\.\\Rock\\..\\Pop", "C:\\Music\\Pop"},
        {"C:\\..\\Music", "C:\\Music"}, // nothing above the root
        {"\\\\nas\\music\\", "\\\\nas\\music"},
        {"//nas/music/Rock", "\\\\nas\\music\\Rock"},
        {"\\\\nas\\music\\..\\..\\Rock", "\\\\nas\\music\\Rock"}, // nor above the share
        {"\\\\\\nas\\\\music", "\\\\nas\\music"},
        {"C:\\Mu sic.\\a b", "C:\\Mu sic.\\a b"},
    };
    for (const auto& form : forms)
        EXPECT_EQ(KeyOf(form.first), form.second) << form.first;
}

TEST(FolderKeys, TextsThatDependOnACurrentFolderOrNameNoneAreRefused)
{
    for (const char* text : {"", "Music", "C:Music", "\\Music", "/Music", "\\\\nas", "\\\\nas\\", "\\\\", "1",
                             "1:\\Music", "::", "\xC9:\\Music", "\\\\nas\\..\\music", "\\\\.\\C:", "\\\\?\\C:\\Music",
                             "\\\\..\\music"})
        EXPECT_EQ(KeyOf(text), "<refused>") << text;
}

TEST(FolderKeys, KindAndVolumeOfAKey)
{
    EXPECT_FALSE(CSearchRequests::IsFolderKey("C:"));
    EXPECT_FALSE(CSearchRequests::IsFolderKey("C:Music")); // a drive text's key
    EXPECT_TRUE(CSearchRequests::IsFolderKey("C:\\Music"));
    EXPECT_TRUE(CSearchRequests::IsFolderKey("\\\\nas\\music"));
    EXPECT_EQ(CSearchRequests::VolumeOf("C:\\Music\\Rock", platform::CODE_ANSI), "C:");
    EXPECT_EQ(CSearchRequests::VolumeOf("\\\\nas\\music\\Rock\\Live", platform::CODE_ANSI), "\\\\nas\\music");
    EXPECT_EQ(CSearchRequests::VolumeOf("\\\\nas\\music", platform::CODE_ANSI), "\\\\nas\\music");
}

// A backslash byte that is the second byte of a double-byte character (0x95 0x5C
// is one character in Shift-JIS) belongs to its name; in UTF-8, and in a
// single-byte code page, it always separates.
TEST(FolderKeys, TrailBytesAreNoSeparators)
{
    ForEachRuntimeState([](const RuntimeState& state) {
        const std::string kept = state.bDoubleByte ? "\x95\\" : "\x95";
        EXPECT_EQ(KeyOf("C:\\\x95\\"), "C:\\" + kept) << state.strName;
        EXPECT_EQ(KeyOf("C:\\\x95\\\\x"), "C:\\" + kept + "\\x") << state.strName;
        const std::string share = KeyOf("\\\\\x95\\\\music\\x");
        EXPECT_EQ(share, "\\\\" + kept + "\\music\\x") << state.strName;
        EXPECT_EQ(CSearchRequests::VolumeOf(share, platform::CODE_ANSI), "\\\\" + kept + "\\music") << state.strName;
        EXPECT_EQ(KeyOf("C:\\\x95\\", platform::CODE_UTF8), "C:\\\x95") << state.strName;
        EXPECT_EQ(CSearchRequests::VolumeOf("\\\\\x95\\music\\x", platform::CODE_UTF8), "\\\\\x95\\music")
            << state.strName;
    });
}

TEST(FolderKeys, TheTableTakesFolderKeysOnlyWhenAskedAndDeletesThemExactly)
{
    CSearchRequests r;
    const char* mp3[] = {"*.mp3"};
    const char* wav[] = {"*.wav"};
    r.SetFolderKeys(true);
    EXPECT_FALSE(r.AddSearch("Music", mp3, 1));
    EXPECT_FALSE(r.AddSearch("C:Music", mp3, 1));
    EXPECT_FALSE(r.AddSearch("\\\\nas", mp3, 1));
    EXPECT_TRUE(r.Requests().empty());
    EXPECT_TRUE(r.AddSearch("C:\\Music\\", mp3, 1));
    EXPECT_TRUE(r.AddSearch("C:/Music", wav, 1)); // the same folder: one request with both patterns
    EXPECT_TRUE(r.AddSearch("C:\\", wav, 1));
    EXPECT_EQ(Patterns(r, "C:\\Music"), (std::vector<std::string>{"mp3", "wav"}));
    EXPECT_EQ(Patterns(r, "C:"), (std::vector<std::string>{"wav"}));
    EXPECT_FALSE(r.DeleteSearch("C:\\Music\\"));
    EXPECT_FALSE(r.DeleteSearch("c:\\Music"));
    EXPECT_TRUE(r.DeleteSearch("C:\\Music"));

    // Turned off, the keys made meanwhile stay and new texts lose their backslashes.
    r.SetFolderKeys(false);
    EXPECT_TRUE(r.AddSearch("C:\\Music", mp3, 1));
    EXPECT_TRUE(r.AddSearch("Music", mp3, 1));
    std::vector<std::string> keys;
    for (const auto& request : r.Requests())
        keys.push_back(request.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"C:", "C:Music", "Music"}));
}
