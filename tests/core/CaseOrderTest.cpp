// The group indexes compare names with a table read from the runtime; it
// must answer every comparison as the runtime's own does.
#include "TestRuntime.h"
#include "platform/CaseOrder.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>

using platform::CCaseOrder;

namespace {

std::vector<std::pair<std::string, std::string>> RandomPairs(uint32_t seed, int count, const std::string& alphabet)
{
    std::mt19937 rng(seed);
    auto pick = [&] { return alphabet[rng() % alphabet.size()]; };
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; i < count; ++i) {
        std::string a, b;
        size_t n = rng() % 12;
        for (size_t k = 0; k < n; ++k)
            a += pick();
        // Mostly the same text in other cases, with a byte changed, cut or
        // added now and then, so that comparisons run deep.
        for (char c : a)
            b += rng() % 6 == 0 ? pick() : (rng() % 2 && (c ^ 0x20) ? char(c ^ 0x20) : c);
        if (!b.empty() && rng() % 5 == 0)
            b.pop_back();
        if (rng() % 5 == 0)
            b += pick();
        pairs.emplace_back(a, b);
    }
    return pairs;
}

int MismatchesWithRuntime(const CCaseOrder& order, const std::vector<std::pair<std::string, std::string>>& pairs)
{
    int bad = 0;
    for (const auto& p : pairs) {
        int r = platform::MbsICmp(p.first.c_str(), p.second.c_str());
        bad += order.Compare(p.first.c_str(), p.second.c_str()) != (r > 0) - (r < 0);
    }
    return bad;
}

std::string AllBytes()
{
    std::string bytes;
    for (int c = 1; c < 256; ++c)
        bytes += char(c);
    return bytes;
}

} // namespace

TEST(CaseOrder, AnswersEveryComparisonAsTheRuntimeDoes)
{
    const CCaseOrder& order = CCaseOrder::Process();
    EXPECT_FALSE(order.ByRuntime()); // the default code page has one byte a character: a table serves
    EXPECT_EQ(MismatchesWithRuntime(order, RandomPairs(1, 20000, AllBytes())), 0);
    // Letters, the characters between the cases and bytes from 0x80 up, close together.
    EXPECT_EQ(MismatchesWithRuntime(order, RandomPairs(2, 20000, "aAbBzZ_[`{@\x7F\x80\xC4\xE4\xC9\xE9\xFF")), 0);
    EXPECT_EQ(order.Compare("ABBA", "abba"), 0);
}

TEST(CaseOrder, GroupIndexesSortAsWithTheRuntime)
{
    std::map<std::string, int, platform::CaseLess> fast;
    std::map<std::string, int, platform::MbsILess> plain;
    for (const auto& p : RandomPairs(3, 3000, "aAbB_\x80\xE4 ")) {
        fast.emplace(p.first, 0);
        plain.emplace(p.first, 0);
        fast.emplace(p.second, 0);
        plain.emplace(p.second, 0);
    }
    ASSERT_EQ(fast.size(), plain.size());
    EXPECT_TRUE(std::equal(fast.begin(), fast.end(), plain.begin(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }));
    EXPECT_EQ(fast.count("AB"), fast.count("ab")); // finds by text, with no string made
}

// Where the runtime reads two bytes as one character, every comparison is
// the runtime's own; a locale's folding of accented letters is read like
// the default one.
TEST(CaseOrder, FollowsTheRuntimeInEveryCodePageAndLocale)
{
    std::string mixed = "\x81\x82\x88\x9F\xE0\xEA\xFC\x40\x41\x5C\x61\x7E\x80\xA1\xC9\xE9" "aAbB.";
    ForEachRuntimeState([&](const RuntimeState& state) {
        CCaseOrder order = CCaseOrder::FromRuntime();
        EXPECT_EQ(order.ByRuntime(), state.bDoubleByte) << state.strName;
        EXPECT_EQ(MismatchesWithRuntime(order, RandomPairs(4, 5000, mixed)), 0) << state.strName;
        EXPECT_EQ(MismatchesWithRuntime(order, RandomPairs(5, 5000, AllBytes())), 0) << state.strName;
    });
}
