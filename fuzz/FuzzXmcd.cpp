// Any bytes as one disc file. The reader refuses a file with a zero byte, and
// an entry it reads has an artist and an album and trimmed texts of
// well-formed UTF-16. The same file with CR LF line ends reads the same; one
// more track of a three-digit number is read as such; and the entry written
// out again (escaped, in UTF-8, its values cut over lines of at most 256
// characters continued under the same key) reads back the same.
#include "cddb/XmcdEntry.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static void Check(bool ok, int nLine = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "%s:%d: check failed\n", __FILE__, nLine);
        std::abort();
    }
}

static bool Blank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Code units of UTF-16 (natively in wider characters): no lone surrogate.
static bool WellFormed(const std::wstring& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned c = unsigned(s[i]);
        if (c > 0xFFFF)
            return false;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && unsigned(s[i + 1]) >= 0xDC00 &&
            unsigned(s[i + 1]) <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            return false;
    }
    return true;
}

static void CheckText(const std::wstring& s)
{
    Check(WellFormed(s));
    Check(s.empty() || (!Blank(s.front()) && !Blank(s.back())));
}

static bool Same(const CXmcdEntry& a, const CXmcdEntry& b)
{
    return a.m_strArtist == b.m_strArtist && a.m_strAlbum == b.m_strAlbum && a.m_strGenre == b.m_strGenre &&
           a.m_strYear == b.m_strYear && a.m_vecTracks == b.m_vecTracks;
}

static void PutUtf8(unsigned cp, std::string& out)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// KEY=value lines of at most nWidth characters of the value, backslashes
// escaped, in UTF-8. A line whose text ends in CR gets CR LF, of which the
// reader takes one CR as the line's end.
static void PutValue(const char* key, const std::wstring& value, size_t nWidth, std::string& out)
{
    std::wstring escaped;
    for (wchar_t c : value) {
        escaped += c;
        if (c == L'\\')
            escaped += c;
    }
    size_t pos = 0;
    do {
        size_t end = std::min(escaped.size(), pos + nWidth);
        if (end < escaped.size() && unsigned(escaped[end]) >= 0xDC00 && unsigned(escaped[end]) <= 0xDFFF)
            ++end; // a surrogate pair stays on one line
        out += key;
        out += '=';
        for (size_t i = pos; i < end; ++i) {
            unsigned c = unsigned(escaped[i]);
            if (c >= 0xD800 && c <= 0xDBFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (unsigned(escaped[++i]) - 0xDC00);
            PutUtf8(c, out);
        }
        out += end > pos && escaped[end - 1] == L'\r' ? "\r\n" : "\n";
        pos = end;
    } while (pos < escaped.size());
}

static std::string Write(const CXmcdEntry& entry, size_t nWidth)
{
    std::string out = "# xmcd\n#\n";
    PutValue("DTITLE", entry.m_strArtist + L" / " + entry.m_strAlbum, nWidth, out);
    PutValue("DYEAR", entry.m_strYear, nWidth, out);
    PutValue("DGENRE", entry.m_strGenre, nWidth, out);
    for (size_t n = 0; n < entry.m_vecTracks.size(); ++n)
        PutValue(("TTITLE" + std::to_string(n)).c_str(), entry.m_vecTracks[n], nWidth, out);
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    CXmcdEntry entry;
    const bool bRead = ParseXmcd(text, size, entry);
    if (std::memchr(text, 0, size))
        Check(!bRead);

    const std::string input(text, size);
    if (input.find('\r') == std::string::npos) {
        std::string crlf;
        for (char c : input) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        CXmcdEntry again;
        Check(ParseXmcd(crlf.data(), crlf.size(), again) == bRead && Same(again, entry));
    }
    if (!bRead)
        return 0;

    Check(!entry.m_strArtist.empty() && !entry.m_strAlbum.empty());
    for (const std::wstring* s : {&entry.m_strArtist, &entry.m_strAlbum, &entry.m_strGenre, &entry.m_strYear})
        CheckText(*s);
    for (const std::wstring& t : entry.m_vecTracks)
        CheckText(t);
    Check(entry.m_vecTracks.size() <= 1000); // numbers of up to three digits

    // The highest track number there is.
    const std::string longer = input + "\nTTITLE999=Last\n";
    if (longer.size() > kXmcdMaxFileSize)
        return 0;
    CXmcdEntry more;
    Check(ParseXmcd(longer.data(), longer.size(), more) && more.m_vecTracks.size() == 1000);
    const std::wstring& last = more.m_vecTracks.back();
    Check(last.size() >= 4 && last.compare(last.size() - 4, 4, L"Last") == 0);
    for (size_t n = 0; n < entry.m_vecTracks.size() && n < 999; ++n)
        Check(more.m_vecTracks[n] == entry.m_vecTracks[n]);

    // Written out again. An artist that ends in " /" would move the separator.
    if ((entry.m_strArtist + L" / ").find(L" / ") == entry.m_strArtist.size()) {
        const size_t nWidth = 1 + size % 256;
        const std::string written = Write(entry, nWidth);
        CXmcdEntry back;
        Check(ParseXmcd(written.data(), written.size(), back) && Same(back, entry));
    }
    return 0;
}
