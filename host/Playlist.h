// What the playlist holds, and how the control's tagged selection text turns
// into it: "path|" for a file, <DIR name="NAME"> ... </DIR> around a group's
// files, nothing escaped.
#pragma once
#include <string>
#include <vector>

// A group with its files, or one loose file (then paths holds just that file).
struct PlaylistItem {
    bool bGroup = false;
    std::string strName; // the group's name; empty for a loose file
    std::vector<std::string> paths;
};

// The groups and loose files of a tagged text, in the order they come. A piece
// that is cut short at the end of the text is dropped; a group left open at
// the end keeps the files it has.
std::vector<PlaylistItem> ParseTaggedText(const std::string& text);
