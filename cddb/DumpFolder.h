// A dump folder's disc files in database order: the files directly in the
// folder first, then each category folder's, categories and files by name.
// A disc file is named by its 8-hex-digit disc id; other names are not discs.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDumpFolder {
public:
    // Lists the folder's categories; false when it cannot be listed.
    bool Open(const std::wstring& strFolder);

    // Category 0 is the folder itself, named "".
    size_t CategoryCount() const { return m_vecCategories.size(); }
    const std::wstring& CategoryName(size_t nCategory) const { return m_vecCategories[nCategory]; }

    // One disc file: its name and id, and its bytes (null when the file could
    // not be read). Returning false stops the walk.
    using CEach = std::function<bool(const std::wstring& strName, uint32_t nId, const char* pData, size_t nSize)>;
    // Walks the category's disc files whose names sort after strAfter (all
    // when empty); false when stopped.
    bool Read(size_t nCategory, const std::wstring& strAfter, const CEach& each) const;

    // What the folder's contents look like now, cheaply: the last-write times
    // of the folder and of each category folder, which change when a file
    // comes or goes. Empty when the folder cannot be listed.
    static std::wstring Stamp(const std::wstring& strFolder);

private:
    std::wstring m_strFolder;
    std::vector<std::wstring> m_vecCategories;
};

// A disc file's name is its id: exactly eight hexadecimal digits.
bool DiscIdFromName(const std::wstring& strName, uint32_t& nId);
