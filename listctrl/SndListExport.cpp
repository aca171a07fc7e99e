// How the selection leaves a result list: as paths, as tagged text and by
// dragging it out with OLE drag and drop.
#include "SndListCtrl.h"
#include "Selection.h"
#include "framework/DragDrop.h"
#include <cstring>
#include <shlobj.h>

namespace {

bool IsNtPlatform()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// A movable, shareable, zero-filled block holding the bytes.
HGLOBAL GlobalCopy(const void* bytes, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
    if (!block)
        return nullptr;
    if (void* p = GlobalLock(block)) {
        std::memcpy(p, bytes, size);
        GlobalUnlock(block);
        return block;
    }
    GlobalFree(block);
    return nullptr;
}

} // namespace

bool CSndListCtrl::GetSelectedRows(std::vector<ListRow*>& rows, bool& allFiles) const
{
    rows.clear();
    allFiles = true;
    std::vector<int> items = SelectedItems();
    if (items.empty())
        return false;
    rows.reserve(items.size());
    for (int i : items) {
        ListRow* row = RowAt(i);
        rows.push_back(row);
        if (!row || row->nKind != RowFile)
            allFiles = false;
    }
    return true;
}

bool CSndListCtrl::GetSelectedFiles(std::vector<std::string>& paths) const
{
    paths.clear();
    std::vector<int> items = SelectedItems();
    paths.reserve(items.size());
    for (int i : items) {
        ListRow* row = RowAt(i);
        if (row && row->nKind == RowFile)
            paths.emplace_back(row->strKey.view());
    }
    return !paths.empty();
}

void CSndListCtrl::BuildSelectionText(const ListRow* const* rows, int count, std::string& text)
{
    ::BuildSelectionText(rows, count, text,
                         [this](const ListRow& group, std::string& out) { AppendGroupFiles(&group, out); });
}

bool CSndListCtrl::GetSelectedItemsString(std::string& text)
{
    std::vector<ListRow*> rows;
    bool allFiles;
    if (!GetSelectedRows(rows, allFiles))
        return false;
    BuildSelectionText(rows.data(), int(rows.size()), text);
    return true;
}

// UTF-8 paths leave as UTF-16 on any system.
HGLOBAL CSndListCtrl::BuildDropFiles() const
{
    bool wide = m_code == platform::CODE_UTF8 || IsNtPlatform();
    std::vector<std::string> paths;
    if (!GetSelectedFiles(paths))
        return nullptr;
    std::vector<uint8_t> block = DropFilesBlock(paths, wide, m_code);
    return GlobalCopy(block.data(), block.size());
}

// One format a drag: the files when only files are selected, else the tagged
// text. What the target did with them changes nothing here.
void CSndListCtrl::BeginDrag()
{
    std::vector<ListRow*> rows;
    bool allFiles;
    if (!GetSelectedRows(rows, allFiles))
        return;
    HGLOBAL block = nullptr;
    CLIPFORMAT format = CF_HDROP;
    if (allFiles) {
        block = BuildDropFiles();
    } else {
        std::string text;
        BuildSelectionText(rows.data(), int(rows.size()), text);
        if (m_code == platform::CODE_UTF8) { // as UTF-16 text, which holds every name
            std::u16string wide = platform::Utf8ToWide(text);
            format = CF_UNICODETEXT;
            if (!wide.empty())
                block = GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
        } else {
            format = CF_TEXT;
            if (!text.empty())
                block = GlobalCopy(text.c_str(), text.size() + 1);
        }
    }
    if (block)
        fw::DragBlock(format, block, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
}
