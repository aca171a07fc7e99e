#include "SearchRequests.h"
#include <algorithm>

static void EraseAll(std::string& s, char c) { s.erase(std::remove(s.begin(), s.end(), c), s.end()); }

bool CSearchRequests::AddSearch(const char* szVol, const char* const* patterns, int nCount)
{
    std::string key = szVol ? szVol : "";
    if (key.empty() || m_nState == SEARCH_RUNNING)
        return false;
    if (key.size() < 2)
        key += ":";
    EraseAll(key, '\\');
    for (int i = 0; i < nCount; ++i) {
        std::string pattern = patterns[i] ? patterns[i] : "";
        EraseAll(pattern, '*');
        EraseAll(pattern, '.');
        m_mapSearches[key].insert(pattern);
    }
    return true;
}

bool CSearchRequests::DeleteSearch(const char* szVol)
{
    if (m_nState != SEARCH_IDLE || !szVol)
        return false;
    return m_mapSearches.erase(szVol) > 0;
}

bool CSearchRequests::DelAllSearches()
{
    if (m_nState != SEARCH_IDLE)
        return false;
    m_mapSearches.clear();
    return true;
}

std::string CSearchRequests::ExtensionList(const PatternSet& patterns)
{
    std::string list;
    for (const std::string& p : patterns)
        list += "|" + p;
    return list;
}

bool CSearchRequests::Recode(platform::TextCode from, platform::TextCode to)
{
    Table recoded;
    std::string key, pattern;
    for (const auto& request : m_mapSearches) {
        if (!platform::Recode(request.first, from, to, key))
            return false;
        PatternSet& patterns = recoded[key];
        for (const std::string& p : request.second) {
            if (!platform::Recode(p, from, to, pattern))
                return false;
            patterns.insert(pattern);
        }
    }
    m_mapSearches.swap(recoded);
    return true;
}
