// CTextFilter: the quick filter's words. A set of texts passes when every
// word occurs in at least one of them, letters compared as the group names
// compare (the order's weights), so that "beat" finds "Beatles".
#pragma once
#include "platform/CaseOrder.h"
#include <string>
#include <string_view>
#include <vector>

class CTextFilter {
public:
    // Splits the text into words at blanks (spaces, tabs, line ends). A
    // text without words lets everything pass. unmatchable: a word held a
    // character the text's code has no place for, so that nothing passes.
    void SetText(const std::string& text, bool unmatchable = false);
    const std::string& Text() const { return m_strText; }
    bool IsSet() const { return m_bUnmatchable || !m_vecWords.empty(); }

    bool Passes(const std::string_view* texts, size_t count, const platform::CCaseOrder& order) const;

private:
    // A word as the order weighs its bytes, weighed again when the order
    // changes. In an order that only the runtime can apply (a double-byte
    // code page) the ASCII letters fold and every other byte weighs itself.
    struct Word {
        std::string strText;
        mutable std::vector<uint16_t> vecWeights;
    };
    void Weigh(const platform::CCaseOrder& order) const;

    std::string m_strText;
    std::vector<Word> m_vecWords;
    bool m_bUnmatchable = false;
    mutable const platform::CCaseOrder* m_pWeighedBy = nullptr;
    mutable uint16_t m_nWeights[256] = {};
};
