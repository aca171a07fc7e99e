// The search request table: volume key -> set of extension patterns.
#pragma once
#include "platform/PlatformText.h"
#include <cstdint>
#include <map>
#include <set>
#include <string>

enum SearchState : int32_t { SEARCH_IDLE = 1, SEARCH_RUNNING = 2 };

class CSearchRequests {
public:
    using PatternSet = std::set<std::string, platform::MbsLess>;
    using Table = std::map<std::string, PatternSet, platform::MbsLess>;

    // Adds the first nCount patterns to the volume's set. FALSE for an empty
    // volume text, and while a search runs (the worker walks the table then).
    bool AddSearch(const char* szVol, const char* const* patterns, int nCount);
    bool DeleteSearch(const char* szVol);
    bool DelAllSearches();

    // Every key and pattern from one text code to another; false, changing
    // nothing, when one of them has no place in the new code.
    bool Recode(platform::TextCode from, platform::TextCode to);

    // "|mp3|wav": the volume's patterns in set order, one entry each.
    static std::string ExtensionList(const PatternSet& patterns);

    const Table& Requests() const { return m_mapSearches; }
    SearchState State() const { return m_nState; }
    void SetState(SearchState state) { m_nState = state; }

private:
    Table m_mapSearches;
    SearchState m_nState = SEARCH_IDLE;
};
