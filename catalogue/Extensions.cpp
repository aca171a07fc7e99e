#include "Extensions.h"
#include "platform/PlatformText.h"

bool GetExtension(const char* name, std::string& ext)
{
    const char* dot = platform::MbsRChr(name, '.');
    if (!dot)
        return false;
    ext = dot + 1;
    platform::MbsUpr(&ext[0]);
    return true;
}

int MatchExtension(const char* list, const char* ext)
{
    if (!list || !ext)
        return 0;
    std::string entries = list;
    std::string wanted = ext;
    platform::MbsUpr(&entries[0]);
    platform::MbsUpr(&wanted[0]);
    if (wanted.find('.') != std::string::npos)
        wanted.erase(0, 1);
    // Entries are tested from the last to the first, cutting the copy at each bar.
    for (const char* bar = platform::MbsRChr(entries.c_str(), '|'); bar;
         bar = platform::MbsRChr(entries.c_str(), '|')) {
        if (wanted == bar + 1)
            return 1;
        entries.resize(size_t(bar - entries.c_str()));
    }
    return 0;
}
