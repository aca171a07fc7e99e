#include "TextFilter.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first weight found by a scan, the rest compared in place.
bool Contains(std::string_view text, const std::vector<uint16_t>& word, const uint16_t (&weights)[256])
{
    const size_t n = word.size();
    if (n == 0)
        return true;
    if (n > text.size())
        return false;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const size_t last = text.size() - n;
    for (size_t at = 0; at <= last; ++at) {
        if (weights[t[at]] != word[0])
            continue;
        size_t i = 1;
        while (i < n && weights[t[at + i]] == word[i])
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

} // namespace

void CTextFilter::SetText(const std::string& text, bool unmatchable)
{
    m_strText = text;
    m_bUnmatchable = unmatchable;
    m_vecWords.clear();
    m_pWeighedBy = nullptr;
    for (size_t at = 0; at < text.size();) {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        size_t end = at;
        while (end < text.size() && !IsBlank(text[end]) && text[end] != '\0')
            ++end;
        if (end > at)
            m_vecWords.push_back({text.substr(at, end - at), {}});
        at = end + (end < text.size() && text[end] == '\0'); // a zero inside ends a word too
    }
}

void CTextFilter::Weigh(const platform::CCaseOrder& order) const
{
    for (unsigned c = 0; c < 256; ++c)
        m_nWeights[c] = uint16_t(!order.ByRuntime() ? order.Weight(static_cast<unsigned char>(c))
                                 : c >= 'A' && c <= 'Z'  ? c + 32u
                                                         : c);
    for (const Word& word : m_vecWords) {
        word.vecWeights.clear();
        for (char c : word.strText)
            word.vecWeights.push_back(m_nWeights[static_cast<unsigned char>(c)]);
    }
    m_pWeighedBy = &order;
}

bool CTextFilter::Passes(const std::string_view* texts, size_t count, const platform::CCaseOrder& order) const
{
    if (m_bUnmatchable)
        return false;
    if (m_pWeighedBy != &order)
        Weigh(order);
    for (const Word& word : m_vecWords) {
        bool found = false;
        for (size_t i = 0; i < count && !found; ++i)
            found = Contains(texts[i], word.vecWeights, m_nWeights);
        if (!found)
            return false;
    }
    return true;
}
