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
    // volume text, and while a search runs (the worker walks the table then);
    // with folder keys also for a text that names no folder on its own.
    bool AddSearch(const char* szVol, const char* const* patterns, int nCount,
                   platform::TextCode code = platform::CODE_ANSI);
    bool DeleteSearch(const char* szVol);
    bool DelAllSearches();

    // Every key and pattern from one text code to another; false, changing
    // nothing, when one of them has no place in the new code.
    bool Recode(platform::TextCode from, platform::TextCode to);

    // "|mp3|wav": the volume's patterns in set order, one entry each.
    static std::string ExtensionList(const PatternSet& patterns);
    // The folder a key names: a bare drive ("C:") is its root folder.
    static std::string RootFolder(const std::string& key)
    {
        return key.size() == 2 && key[1] == ':' ? key + "\\" : key;
    }

    // Whether AddSearch takes a volume text as a whole folder (FolderKey)
    // rather than a drive whose backslashes go.
    void SetFolderKeys(bool on) { m_bFolderKeys = on; }
    bool FolderKeys() const { return m_bFolderKeys; }
    // The key of a search root: "C:" for a whole drive ("C", "C:\"), "C:\Music"
    // or "\\nas\music" for a folder. False for a text whose folder depends on
    // a current folder ("Music", "C:Music", "\Music") or that names none ("\\nas").
    static bool FolderKey(const char* text, platform::TextCode code, std::string& key);
    // Whether a key names a folder rather than a whole drive: only folder keys
    // hold a backslash, the keys of drive texts lose theirs.
    static bool IsFolderKey(const std::string& key) { return key.find('\\') != std::string::npos; }
    // The volume a folder key lies on: "C:" or "\\nas\music".
    static std::string VolumeOf(const std::string& key, platform::TextCode code);

    const Table& Requests() const { return m_mapSearches; }
    SearchState State() const { return m_nState; }
    void SetState(SearchState state) { m_nState = state; }

private:
    Table m_mapSearches;
    SearchState m_nState = SEARCH_IDLE;
    bool m_bFolderKeys = false;
};
