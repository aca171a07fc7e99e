#include "Selection.h"
#include "platform/PlatformText.h"
#include <cstring>

SelectionRole RoleOf(const ListRow& row)
{
    switch (row.nKind) {
    case RowFile:
        return SelectionRole::File;
    case RowFolder: case RowGroup: case RowGroupOpen: case RowFolderOpen: case RowUnknownOpen: case RowUnknown:
        return SelectionRole::Group;
    default:
        return SelectionRole::Skipped;
    }
}

void BuildSelectionText(const ListRow* const* rows, int count, std::string& text, const GroupFiller& fill)
{
    if (!rows || count < 1)
        return;
    text.clear();
    const ListRow* open = nullptr;
    bool filled = false;
    auto close = [&] {
        if (!filled && fill)
            fill(*open, text);
        text += "</DIR>";
        open = nullptr;
        filled = false;
    };
    for (int i = 0; i < count; ++i) {
        const ListRow* row = rows[i];
        if (!row)
            continue;
        switch (RoleOf(*row)) {
        case SelectionRole::Group:
            if (open)
                close();
            text += "<DIR name=\"";
            text += row->strText.view();
            text += "\">";
            open = row;
            break;
        case SelectionRole::File:
            if (open && row->pParent == open)
                filled = true;
            else if (open)
                close();
            text += row->strKey.view();
            text += '|';
            break;
        case SelectionRole::Skipped:
            break;
        }
    }
    if (open)
        close();
}

namespace {
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * i));
}
} // namespace

std::vector<uint8_t> DropFilesBlock(const std::vector<std::string>& paths, bool wide, platform::TextCode code)
{
    const size_t header = 20;
    std::vector<uint8_t> block(header);
    Put32(block, 0, uint32_t(header));
    Put32(block, 16, wide ? 1 : 0);
    for (const std::string& path : paths) {
        if (wide) {
            std::u16string w = platform::TextToWide(path, code);
            for (char16_t c : w) {
                block.push_back(uint8_t(c & 0xFF));
                block.push_back(uint8_t(c >> 8));
            }
            block.insert(block.end(), 2, 0);
        } else {
            block.insert(block.end(), path.begin(), path.end());
            block.push_back(0);
        }
    }
    block.insert(block.end(), wide ? 2 : 1, 0);
    return block;
}
