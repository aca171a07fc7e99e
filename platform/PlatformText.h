// Text routines with the semantics of the C runtime's multibyte functions.
// On Windows they are the runtime's own; natively a single-byte version that
// folds ASCII letters only, as msvcrt does in the default ANSI code page.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The code of the control's 8-bit text: the ANSI code page, or UTF-8 when the
// control takes every Unicode name.
enum TextCode : uint8_t { CODE_ANSI, CODE_UTF8 };

int MbsCmp(const char* a, const char* b);      // _mbscmp: case-sensitive
int MbsICmp(const char* a, const char* b);     // _mbsicmp: case-insensitive
int MbsICollate(const char* a, const char* b); // _mbsicoll
void MbsUpr(char* s);                          // _mbsupr, in place
const char* MbsRChr(const char* s, unsigned ch); // _mbsrchr
bool MbbIsLead(unsigned char b);                // _ismbblead (false natively)
// Whether the runtime's multibyte code page has lead bytes, so that its
// comparisons take two bytes at a time (false natively).
bool RuntimeHasLeadBytes();

// UTF-16 text (n code units) to the ANSI code page; unmappable characters become '?'.
std::string WideToAnsi(const uint16_t* w, size_t n);
// ANSI text to UTF-16.
std::u16string AnsiToWide(const std::string& s);

// UTF-16 and UTF-8, the same on every system. A lone surrogate or a broken
// sequence becomes U+FFFD.
std::string WideToUtf8(const uint16_t* w, size_t n);
std::u16string Utf8ToWide(std::string_view s);

// The same, in either code.
std::string WideToText(const uint16_t* w, size_t n, TextCode code);
std::u16string TextToWide(std::string_view s, TextCode code);
// Text of one code in another: false (out unset) when a character has no
// place in the ANSI code page.
bool Recode(std::string_view s, TextCode from, TextCode to, std::string& out);
// Text of the ANSI code page (an ID3v1 field, an 8-bit string of a cache
// file, a host's label) in the code given: false, out unset, when it needs no
// change.
bool FromCodePage(std::string_view ansi, TextCode code, std::string& out);
// In UTF-8 a byte below 0x80 is always a character of its own, and only
// ASCII letters have case: these two look at bytes there, and are the
// runtime's (which may take two bytes at a time) in the ANSI code page.
const char* RChr(const char* s, unsigned ch, TextCode code);
void Upper(char* s, TextCode code);
// Whether the byte begins a two-byte character, so that the next byte (which
// may be a backslash's) belongs to it: never in UTF-8, the runtime's answer in
// the code page.
inline bool IsLeadByte(unsigned char b, TextCode code) { return code != CODE_UTF8 && MbbIsLead(b); }

inline bool IsAscii(std::string_view s)
{
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    return true;
}

struct MbsLess {
    bool operator()(const char* a, const char* b) const { return MbsCmp(a, b) < 0; }
    bool operator()(const std::string& a, const std::string& b) const { return MbsCmp(a.c_str(), b.c_str()) < 0; }
};
struct MbsILess {
    bool operator()(const std::string& a, const std::string& b) const { return MbsICmp(a.c_str(), b.c_str()) < 0; }
};

} // namespace platform
