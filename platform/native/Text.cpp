#include "../PlatformText.h"
#include <cstring>

namespace platform {

// msvcrt compares case-insensitively on signed chars, so bytes from 0x80 up
// sort before every ASCII character there; only A-Z fold.
static int Fold(signed char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

int MbsCmp(const char* a, const char* b)
{
    int r = std::strcmp(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int MbsICmp(const char* a, const char* b)
{
    const signed char* p = reinterpret_cast<const signed char*>(a);
    const signed char* q = reinterpret_cast<const signed char*>(b);
    for (;; ++p, ++q) {
        int d = Fold(*p) - Fold(*q);
        if (d != 0 || *p == 0)
            return d;
    }
}

int MbsICollate(const char* a, const char* b) { return MbsICmp(a, b); }

void MbsUpr(char* s)
{
    for (; *s; ++s)
        if (*s >= 'a' && *s <= 'z')
            *s = char(*s - ('a' - 'A'));
}

const char* MbsRChr(const char* s, unsigned ch) { return std::strrchr(s, int(ch)); }

bool MbbIsLead(unsigned char) { return false; }
bool RuntimeHasLeadBytes() { return false; }

// Code page 1252, the ANSI code page of an English Windows: Latin-1 plus these
// characters in 0x80..0x9F.
static const uint16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

static char ToCp1252(uint16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    if (c < 0xA0 && kCp1252High[c - 0x80] == 0)
        return char(c); // the five code points 1252 leaves undefined map to themselves
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return char(0x80 + i);
    return '?';
}

std::u16string AnsiToWide(const std::string& s)
{
    std::u16string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        uint16_t w = c >= 0x80 && c < 0xA0 && kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : c;
        out += char16_t(w);
    }
    return out;
}

std::string WideToAnsi(const uint16_t* w, size_t n)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out += ToCp1252(w[i]);
    return out;
}

} // namespace platform
