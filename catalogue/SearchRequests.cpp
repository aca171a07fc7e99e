#include "SearchRequests.h"
#include <algorithm>
#include <vector>

static void EraseAll(std::string& s, char c) { s.erase(std::remove(s.begin(), s.end(), c), s.end()); }

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The names of a path from `at` on, split at backslashes and slashes that are
// characters of their own (a trail byte of the code page may be 0x5C). Runs of
// separators count as one; "." names the folder itself and ".." its parent,
// which never climbs above the first `fixed` names (a share's server and
// name). False when "." or ".." stands where one of those must be.
bool SplitNames(const std::string& s, size_t at, platform::TextCode code, size_t fixed, std::vector<std::string>& names)
{
    std::string name;
    for (size_t i = at; i <= s.size(); ++i) {
        if (i < s.size() && !IsSeparator(s[i])) {
            if (platform::IsLeadByte(static_cast<unsigned char>(s[i]), code) && i + 1 < s.size())
                name += s[i++];
            name += s[i];
            continue;
        }
        if (name == "." || name == "..") {
            if (names.size() < fixed)
                return false;
            if (name == ".." && names.size() > fixed)
                names.pop_back();
        } else if (!name.empty()) {
            names.push_back(name);
        }
        name.clear();
    }
    return true;
}

} // namespace

bool CSearchRequests::FolderKey(const char* text, platform::TextCode code, std::string& key)
{
    const std::string s = text ? text : "";
    std::vector<std::string> names;
    if (s.size() >= 2 && IsSeparator(s[0]) && IsSeparator(s[1])) {
        // A share: its server and its name, then any folders below.
        if (!SplitNames(s, 2, code, 2, names) || names.size() < 2 || names[0] == "?")
            return false;
        key = "\\";
        for (const std::string& name : names)
            key += "\\" + name;
        return true;
    }
    // A drive letter alone or with its colon, then a folder from its root.
    if (s.empty() || !IsAsciiLetter(s[0]) || (s.size() > 1 && s[1] != ':'))
        return false;
    if (s.size() > 2 && !IsSeparator(s[2]))
        return false; // "C:Music": relative to the drive's current folder
    if (!SplitNames(s, 2, code, 0, names))
        return false;
    key = s.substr(0, 1) + ":";
    for (const std::string& name : names)
        key += "\\" + name;
    return true;
}

std::string CSearchRequests::VolumeOf(const std::string& key, platform::TextCode code)
{
    if (key.size() < 2 || key[0] != '\\' || key[1] != '\\')
        return key.substr(0, 2);
    // The share ends at the backslash after its name.
    int separators = 0;
    for (size_t i = 2; i < key.size(); ++i) {
        if (platform::IsLeadByte(static_cast<unsigned char>(key[i]), code) && i + 1 < key.size())
            ++i;
        else if (key[i] == '\\' && ++separators == 2)
            return key.substr(0, i);
    }
    return key;
}

bool CSearchRequests::AddSearch(const char* szVol, const char* const* patterns, int nCount, platform::TextCode code)
{
    std::string key = szVol ? szVol : "";
    if (key.empty() || m_nState == SEARCH_RUNNING)
        return false;
    if (m_bFolderKeys) {
        if (!FolderKey(szVol, code, key))
            return false;
    } else {
        if (key.size() < 2)
            key += ":";
        EraseAll(key, '\\');
    }
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
