#include "LongPath.h"

namespace platform {

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }
bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
} // namespace

bool NeedsLongForm(std::u16string_view path)
{
    if (path.size() < kLongPathUnits)
        return false;
    if (IsAsciiLetter(path[0]) && path[1] == u':' && IsSeparator(path[2]))
        return true;
    if (!IsSeparator(path[0]) || !IsSeparator(path[1]))
        return false;
    // "\\?\" and "\\.\" are the system's own forms, taken as they are.
    return !((path[2] == u'?' || path[2] == u'.') && IsSeparator(path[3]));
}

std::u16string LongForm(std::u16string_view path)
{
    if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\')
        return u"\\\\?\\UNC\\" + std::u16string(path.substr(2));
    return u"\\\\?\\" + std::u16string(path);
}

} // namespace platform
