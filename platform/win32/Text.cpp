#include "../PlatformText.h"
#include <windows.h>
#include <mbctype.h>
#include <mbstring.h>

namespace platform {

static const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

int MbsCmp(const char* a, const char* b) { return _mbscmp(U(a), U(b)); }
int MbsICmp(const char* a, const char* b) { return _mbsicmp(U(a), U(b)); }
int MbsICollate(const char* a, const char* b) { return _mbsicoll(U(a), U(b)); }
void MbsUpr(char* s) { _mbsupr(reinterpret_cast<unsigned char*>(s)); }
const char* MbsRChr(const char* s, unsigned ch)
{
    return reinterpret_cast<const char*>(_mbsrchr(U(s), ch));
}

bool MbbIsLead(unsigned char b) { return _ismbblead(b) != 0; }

bool RuntimeHasLeadBytes()
{
    for (unsigned b = 0; b < 256; ++b)
        if (_ismbblead(b))
            return true;
    return false;
}

std::string WideToAnsi(const uint16_t* w, size_t n)
{
    if (n == 0)
        return std::string();
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(w);
    int len = WideCharToMultiByte(CP_ACP, 0, wide, int(n), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(len > 0 ? len : 0), '\0');
    if (len > 0)
        WideCharToMultiByte(CP_ACP, 0, wide, int(n), &out[0], len, nullptr, nullptr);
    return out;
}

std::u16string AnsiToWide(const std::string& s)
{
    if (s.empty())
        return std::u16string();
    int len = MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), nullptr, 0);
    std::u16string out(size_t(len > 0 ? len : 0), u'\0');
    if (len > 0)
        MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), reinterpret_cast<wchar_t*>(&out[0]), len);
    return out;
}

} // namespace platform
