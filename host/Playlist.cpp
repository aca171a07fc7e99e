#include "Playlist.h"
#include <cstring>

namespace {

const char GROUP_START[] = "<DIR name=\"";
const char GROUP_END[] = "</DIR>";
const size_t GROUP_START_LEN = sizeof GROUP_START - 1;
const size_t GROUP_END_LEN = sizeof GROUP_END - 1;

bool StartsAt(const std::string& text, size_t pos, const char* piece)
{
    return text.compare(pos, std::strlen(piece), piece) == 0;
}

// A file entry: a path of at least one character, none of which a path can
// hold on Windows ("<>|), then the bar.
bool FileEntryAt(const std::string& text, size_t pos)
{
    size_t end = text.find_first_of("|<>\"", pos);
    return end != std::string::npos && end > pos && text[end] == '|';
}

// Where a group's name ends. Names are written unescaped and may hold "> or
// a bar themselves, so the name ends at the first "> that a file entry or the
// group's end follows; failing that, at the first "> there is.
size_t GroupNameEnd(const std::string& text, size_t from)
{
    size_t first = text.find("\">", from);
    for (size_t at = first; at != std::string::npos; at = text.find("\">", at + 1)) {
        size_t next = at + 2;
        if (StartsAt(text, next, GROUP_END) || FileEntryAt(text, next))
            return at;
    }
    return first;
}

} // namespace

std::vector<PlaylistItem> ParseTaggedText(const std::string& text)
{
    std::vector<PlaylistItem> items;
    bool open = false; // the last item is a group still taking files
    size_t pos = 0;
    while (pos < text.size()) {
        if (StartsAt(text, pos, GROUP_START)) {
            size_t nameEnd = GroupNameEnd(text, pos + GROUP_START_LEN);
            if (nameEnd == std::string::npos)
                break;
            PlaylistItem group;
            group.bGroup = true;
            group.strName = text.substr(pos + GROUP_START_LEN, nameEnd - pos - GROUP_START_LEN);
            items.push_back(group);
            open = true;
            pos = nameEnd + 2;
        } else if (StartsAt(text, pos, GROUP_END)) {
            open = false;
            pos += GROUP_END_LEN;
        } else {
            size_t bar = text.find('|', pos);
            if (bar == std::string::npos)
                break;
            std::string path = text.substr(pos, bar - pos);
            if (path.empty()) {
                // a bar alone names no file
            } else if (open) {
                items.back().paths.push_back(path);
            } else {
                PlaylistItem file;
                file.paths.push_back(path);
                items.push_back(file);
            }
            pos = bar + 1;
        }
    }
    return items;
}
