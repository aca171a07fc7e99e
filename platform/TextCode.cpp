#include "PlatformText.h"
#include <cstring>

namespace platform {

namespace {
const char32_t kReplacement = 0xFFFD;

void PutUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The character that starts at s[i], stepping i past it; kReplacement for a
// byte that starts no well-formed sequence (overlong forms and surrogates
// included), which then costs one byte.
char32_t NextUtf8(std::string_view s, size_t& i)
{
    unsigned char b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80)
        return b;
    int more = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
    if (more < 0)
        return kReplacement;
    char32_t c = b & (0x3F >> more);
    size_t at = i;
    for (int k = 0; k < more; ++k, ++at) {
        if (at >= s.size() || (static_cast<unsigned char>(s[at]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(s[at]) & 0x3F);
    }
    static const char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kReplacement;
    i = at;
    return c;
}
} // namespace

std::string WideToUtf8(const uint16_t* w, size_t n)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char32_t c = w[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = kReplacement;
        PutUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToWide(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t c = NextUtf8(s, i);
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string WideToText(const uint16_t* w, size_t n, TextCode code)
{
    return code == CODE_UTF8 ? WideToUtf8(w, n) : WideToAnsi(w, n);
}

std::u16string TextToWide(std::string_view s, TextCode code)
{
    return code == CODE_UTF8 ? Utf8ToWide(s) : AnsiToWide(std::string(s));
}

bool FromCodePage(std::string_view ansi, TextCode code, std::string& out)
{
    return code != CODE_ANSI && !IsAscii(ansi) && Recode(ansi, CODE_ANSI, code, out);
}

const char* RChr(const char* s, unsigned ch, TextCode code)
{
    return code == CODE_UTF8 ? std::strrchr(s, int(ch)) : MbsRChr(s, ch);
}

void Upper(char* s, TextCode code)
{
    if (code != CODE_UTF8) {
        MbsUpr(s);
        return;
    }
    for (; *s; ++s)
        if (*s >= 'a' && *s <= 'z')
            *s = char(*s - ('a' - 'A'));
}

bool Recode(std::string_view s, TextCode from, TextCode to, std::string& out)
{
    if (from == to || IsAscii(s)) {
        out.assign(s.data(), s.size());
        return true;
    }
    std::u16string wide = TextToWide(s, from);
    const uint16_t* units = reinterpret_cast<const uint16_t*>(wide.data());
    std::string text = WideToText(units, wide.size(), to);
    // Only the way back tells whether the code page had every character.
    if (to == CODE_ANSI && AnsiToWide(text) != wide)
        return false;
    out = std::move(text);
    return true;
}

} // namespace platform
