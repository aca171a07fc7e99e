#include "XmcdEntry.h"
#include <cstring>

namespace {

// Appends the code points of valid UTF-8; false at the first invalid sequence.
bool DecodeUtf8(const unsigned char* p, size_t n, std::wstring& out)
{
    for (size_t i = 0; i < n;) {
        unsigned c = p[i];
        size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > n)
            return false;
        unsigned cp = len == 1 ? c : c & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        static const unsigned kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += wchar_t(0xD800 + (cp >> 10));
            out += wchar_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += wchar_t(cp);
        }
        i += len;
    }
    return true;
}

// "\n" and "\t" become blanks (a title is one line), "\\" a backslash.
std::wstring Unescape(const std::wstring& value)
{
    std::wstring out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        wchar_t c = value[i];
        if (c == L'\\' && i + 1 < value.size()) {
            wchar_t next = value[i + 1];
            if (next == L'n' || next == L't') {
                out += L' ';
                ++i;
                continue;
            }
            if (next == L'\\') {
                out += L'\\';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::wstring Trim(const std::wstring& s)
{
    size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos)
        return std::wstring();
    size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}

bool StartsWithNoCase(const std::wstring& s, size_t pos, const wchar_t* prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        if (pos + i >= s.size())
            return false;
        wchar_t c = s[pos + i];
        if (c >= L'a' && c <= L'z')
            c = wchar_t(c - L'a' + L'A');
        wchar_t p = prefix[i];
        if (p >= L'a' && p <= L'z')
            p = wchar_t(p - L'a' + L'A');
        if (c != p)
            return false;
    }
    return true;
}

} // namespace

std::wstring DecodeXmcdText(const char* pData, size_t nSize)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pData);
    std::wstring out;
    out.reserve(nSize);
    if (DecodeUtf8(p, nSize, out))
        return out;
    out.clear();
    for (size_t i = 0; i < nSize; ++i)
        out += wchar_t(p[i]);
    return out;
}

bool ParseXmcd(const char* pData, size_t nSize, CXmcdEntry& entry)
{
    entry = CXmcdEntry();
    if (nSize > kXmcdMaxFileSize || std::memchr(pData, 0, nSize))
        return false;
    if (nSize >= 3 && std::memcmp(pData, "\xEF\xBB\xBF", 3) == 0) { // a byte order mark
        pData += 3;
        nSize -= 3;
    }
    const std::wstring text = DecodeXmcdText(pData, nSize);
    if (!StartsWithNoCase(text, 0, L"# xmcd"))
        return false;

    std::wstring title;
    std::vector<std::wstring> tracks;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L'\n', pos);
        if (end == std::wstring::npos)
            end = text.size();
        size_t lineEnd = end;
        if (lineEnd > pos && text[lineEnd - 1] == L'\r')
            --lineEnd;
        const size_t lineStart = pos;
        pos = end + 1;
        if (lineEnd == lineStart || text[lineStart] == L'#')
            continue;
        size_t eq = text.find(L'=', lineStart);
        if (eq == std::wstring::npos || eq >= lineEnd)
            return false;
        const std::wstring value = text.substr(eq + 1, lineEnd - eq - 1);
        if (eq - lineStart == 6 && StartsWithNoCase(text, lineStart, L"DTITLE")) {
            title += value;
        } else if (eq - lineStart == 6 && StartsWithNoCase(text, lineStart, L"DGENRE")) {
            entry.m_strGenre += value;
        } else if (eq - lineStart == 5 && StartsWithNoCase(text, lineStart, L"DYEAR")) {
            entry.m_strYear += value;
        } else if (StartsWithNoCase(text, lineStart, L"TTITLE")) {
            size_t digits = lineStart + 6;
            if (digits == eq || eq - digits > 3)
                return false;
            // Up to three digits: TTITLE999 is the thousandth track, the last there can be.
            size_t n = 0;
            for (size_t i = digits; i < eq; ++i) {
                if (text[i] < L'0' || text[i] > L'9')
                    return false;
                n = n * 10 + size_t(text[i] - L'0');
            }
            if (tracks.size() <= n)
                tracks.resize(n + 1);
            tracks[n] += value;
        }
        // DISCID, EXTD, EXTTn, PLAYORDER and keys unknown to us are not needed.
    }

    title = Trim(Unescape(title));
    if (title.empty())
        return false;
    // "Artist / Title"; without the separator the artist and the title are the same.
    size_t slash = title.find(L" / ");
    if (slash == std::wstring::npos) {
        entry.m_strArtist = entry.m_strAlbum = title;
    } else {
        entry.m_strArtist = Trim(title.substr(0, slash));
        entry.m_strAlbum = Trim(title.substr(slash + 3));
    }
    entry.m_strGenre = Trim(Unescape(entry.m_strGenre));
    entry.m_strYear = Trim(Unescape(entry.m_strYear));
    entry.m_vecTracks.reserve(tracks.size());
    for (const std::wstring& t : tracks)
        entry.m_vecTracks.push_back(Trim(Unescape(t)));
    return true;
}
