#include "Extensions.h"
#include "platform/PlatformText.h"

bool GetExtension(const char* name, std::string& ext, platform::TextCode code)
{
    const char* dot = platform::RChr(name, '.', code);
    if (!dot)
        return false;
    ext = dot + 1;
    platform::Upper(&ext[0], code);
    return true;
}

int MatchExtension(const char* list, const char* ext, platform::TextCode code)
{
    if (!list || !ext)
        return 0;
    std::string entries = list;
    std::string wanted = ext;
    platform::Upper(&entries[0], code);
    platform::Upper(&wanted[0], code);
    if (wanted.find('.') != std::string::npos)
        wanted.erase(0, 1);
    // Entries are tested from the last to the first, cutting the copy at each bar.
    for (const char* bar = platform::RChr(entries.c_str(), '|', code); bar;
         bar = platform::RChr(entries.c_str(), '|', code)) {
        if (wanted == bar + 1)
            return 1;
        entries.resize(size_t(bar - entries.c_str()));
    }
    return 0;
}

bool MatchPathExtension(const std::string& path, const std::string& list, platform::TextCode code)
{
    const char* slash = platform::RChr(path.c_str(), '\\', code);
    std::string ext;
    return GetExtension(slash ? slash + 1 : path.c_str(), ext, code) &&
           MatchExtension(list.c_str(), ext.c_str(), code);
}
