// CTextFilter: the quick filter's words. A set of texts passes when every
// word occurs in at least one of them, letters compared as the group names
// compare (the order's weights), so that "beat" finds "Beatles".
#pragma once
#include "platform/CaseOrder.h"
#include <string>
#include <vector>

class CTextFilter {
public:
    // Splits the text into words at blanks (spaces, tabs, line ends). A
    // text without words lets everything pass. unmatchable: a word held a
    // character the text's code has no place for, so that nothing passes.
    void SetText(const std::string& text, bool unmatchable = false);
    const std::string& Text() const { return m_strText; }
    bool IsSet() const { return m_bUnmatchable || !m_vecWords.empty(); }

    // texts: count texts, none of them null.
    bool Passes(const char* const* texts, size_t count, const platform::CCaseOrder& order) const;

private:
    std::string m_strText;
    std::vector<std::string> m_vecWords;
    bool m_bUnmatchable = false;
};

// Whether word occurs in text, byte weights compared. In an order that only
// the runtime can apply (a double-byte code page) the ASCII letters fold
// and every other byte compares as it is.
bool ContainsText(const char* text, const std::string& word, const platform::CCaseOrder& order);
