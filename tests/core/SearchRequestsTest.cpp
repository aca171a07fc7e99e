#include "catalogue/SearchRequests.h"
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
