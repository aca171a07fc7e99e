#include "TextFilter.h"
#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

unsigned AsciiFold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32u : c; }

} // namespace

void CTextFilter::SetText(const std::string& text, bool unmatchable)
{
    m_strText = text;
    m_bUnmatchable = unmatchable;
    m_vecWords.clear();
    for (size_t at = 0; at < text.size();) {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        size_t end = at;
        while (end < text.size() && !IsBlank(text[end]) && text[end] != '\0')
            ++end;
        if (end > at)
            m_vecWords.push_back(text.substr(at, end - at));
        at = end + (end < text.size() && text[end] == '\0'); // a zero inside ends a word too
    }
}

bool CTextFilter::Passes(const char* const* texts, size_t count, const platform::CCaseOrder& order) const
{
    if (m_bUnmatchable)
        return false;
    for (const std::string& word : m_vecWords) {
        bool found = false;
        for (size_t i = 0; i < count && !found; ++i)
            found = ContainsText(texts[i], word, order);
        if (!found)
            return false;
    }
    return true;
}

bool ContainsText(const char* text, const std::string& word, const platform::CCaseOrder& order)
{
    const size_t n = word.size(), length = std::strlen(text);
    if (n == 0)
        return true;
    if (n > length)
        return false;
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    const auto* w = reinterpret_cast<const unsigned char*>(word.data());
    const bool byRuntime = order.ByRuntime();
    auto weight = [&](unsigned char c) { return byRuntime ? AsciiFold(c) : order.Weight(c); };
    const unsigned first = weight(w[0]);
    for (size_t at = 0; at + n <= length; ++at) {
        if (weight(t[at]) != first)
            continue;
        size_t i = 1;
        while (i < n && weight(t[at + i]) == weight(w[i]))
            ++i;
        if (i == n)
            return true;
    }
    return false;
}
