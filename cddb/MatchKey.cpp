#include "MatchKey.h"
#include "DiscSystem.h"

std::wstring MatchKey(const wchar_t* pText, size_t nLength)
{
    std::wstring key;
    key.reserve(nLength);
    bool bWide = false;
    for (size_t i = 0; i < nLength; ++i) {
        wchar_t c = pText[i];
        if (c < 0x80) { // the common case, without a call into the system
            if (c >= L'A' && c <= L'Z')
                key += wchar_t(c - L'A' + L'a');
            else if ((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9'))
                key += c;
        } else if (discsys::IsLetterOrDigit(c)) {
            key += c;
            bWide = true;
        }
    }
    if (bWide)
        discsys::ToLower(&key[0], key.size());
    return key;
}

uint32_t MatchKeyHash(const std::wstring& key)
{
    if (key.empty())
        return 0;
    uint32_t h = 2166136261u; // FNV-1a
    for (wchar_t c : key) {
        h ^= uint32_t(c) & 0xFFFF;
        h *= 16777619u;
    }
    return h | 1;
}
