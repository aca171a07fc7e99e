#include "SndListCtrl.h"
#include "ListSort.h"
#include "ListSorter.h"
#include "catalogue/Extensions.h"
#include "catalogue/Messages.h"
#include "framework/Module.h"
#include "platform/LongPath.h"
#include <algorithm>
#include <shellapi.h>

CSndListCtrl::~CSndListCtrl()
{
    if (Handle())
        DestroyWindow(Handle());
}

bool CSndListCtrl::CreateList(HWND parent, const RECT& rect, UINT id, DWORD style)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    if (!CreateSubclassed(WC_LISTVIEWA, 0, style | LVS_OWNERDATA, rect, parent, id))
        return false;
    if (m_code != platform::CODE_ANSI) // it asked its parent before it was ours
        SetTextCode(m_code);
    m_hImages = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 10);
    SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(m_hImages));
    m_hContextMenu = CreatePopupMenu();
    AppendMenuA(m_hContextMenu, MF_STRING, ID_CTX_ADDTRACK, m_strAddTrack.c_str());
    AppendMenuA(m_hContextMenu, MF_STRING, ID_CTX_PREVIEW, m_strPreview.c_str());
    HICON none = HICON(LoadImageA(fw::ModuleInstance(), MAKEINTRESOURCEA(219), IMAGE_ICON, 16, 16, 0));
    if (none) {
        AddIcon("*NONEFOUND*", none);
        DestroyIcon(none);
    }
    RECT client;
    GetClientRect(Handle(), &client);
    int w = client.right;
    const char* headers[4] = {"~~~Name", "~~~Time", "~~~Type", "~~~Path"};
    const int widths[4] = {w / 2, w / 4, w / 4, w / 4};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        col.cx = widths[i];
        col.pszText = const_cast<char*>(headers[i]);
        col.iSubItem = i;
        SendMessageA(Handle(), LVM_INSERTCOLUMNA, WPARAM(i), LPARAM(&col));
    }
    return true;
}

int CSndListCtrl::AddIcon(const std::string& key, HICON icon)
{
    int index = ImageList_AddIcon(m_hImages, icon);
    if (index >= 0)
        m_mapIcons[key] = index;
    return index;
}

int CSndListCtrl::ImageOf(std::string_view key) const
{
    auto it = m_mapIcons.find(key);
    return it == m_mapIcons.end() ? 0 : it->second;
}

// One shell icon per file type, asked for on the first file of that type.
int CSndListCtrl::FileImage(const char* path)
{
    std::string ext;
    if (!GetExtension(path, ext, m_code))
        return 0;
    auto it = m_mapIcons.find(ext);
    if (it != m_mapIcons.end())
        return it->second;
    const UINT flags = SHGFI_ICON | SHGFI_SMALLICON | SHGFI_TYPENAME;
    HICON icon = nullptr;
    if (m_code == platform::CODE_UTF8) {
        std::u16string wide = platform::Utf8ToWide(path);
        UINT how = flags;
        if (platform::NeedsLongForm(wide)) { // the shell takes no long form: such a file is asked for by its type
            wide.erase(0, wide.rfind(u'\\') + 1);
            how |= SHGFI_USEFILEATTRIBUTES;
        }
        SHFILEINFOW info = {};
        const wchar_t* name = reinterpret_cast<const wchar_t*>(wide.c_str());
        if (SHGetFileInfoW(name, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, how))
            icon = info.hIcon;
    } else {
        SHFILEINFOA info = {};
        if (SHGetFileInfoA(path, 0, &info, sizeof info, flags))
            icon = info.hIcon;
    }
    if (!icon)
        return 0;
    int index = AddIcon(ext, icon);
    DestroyIcon(icon);
    return index < 0 ? 0 : index;
}

// The catalogue numbers its records' extensions: a row whose record has a
// number finds its icon without looking at its path.
int CSndListCtrl::FileImageOf(const ListRow& row)
{
    const uint16_t number = row.pInfo ? row.pInfo->m_nExtension : 0xFFFF;
    if (number == 0xFFFF)
        return FileImage(row.strKey.c_str());
    if (number >= m_vecExtensionImages.size())
        m_vecExtensionImages.resize(size_t(number) + 1, -1);
    int& image = m_vecExtensionImages[number];
    if (image < 0)
        image = FileImage(row.strKey.c_str());
    return image;
}

void CSndListCtrl::SetTextCode(platform::TextCode code)
{
    m_code = code;
    m_vecExtensionImages.clear();
    if (Handle())
        SendMessageA(Handle(), WM_NOTIFYFORMAT, WPARAM(GetParent(Handle())), NF_REQUERY);
}

int CSndListCtrl::InsertItem(int index, ListRow* row, int image)
{
    row->nImage = image;
    const size_t pos = PosOf(index);
    PutRows(pos, {row});
    return int(std::lower_bound(m_vecItems.begin(), m_vecItems.end(), uint32_t(pos)) - m_vecItems.begin());
}

int CSndListCtrl::InsertRow(int index, ListRow* row, int)
{
    if (!row || !Handle())
        return -1;
    return InsertItem(index, row, row->nKind == RowFile ? FileImageOf(*row) : 0);
}

bool CSndListCtrl::SetColumn(int column, const std::string& header, int width)
{
    LVCOLUMNA col = {};
    if (!header.empty()) {
        col.mask |= LVCF_TEXT;
        col.pszText = const_cast<char*>(header.c_str());
    }
    if (width > 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = width;
    }
    if (col.mask && Handle())
        SendMessageA(Handle(), LVM_SETCOLUMNA, WPARAM(column), LPARAM(&col));
    return true;
}

// The walk stops at the last selected item: asking for the next one past it
// would make the list look at every later item. With every item selected
// there is nothing to ask.
std::vector<int> CSndListCtrl::SelectedItems() const
{
    std::vector<int> items;
    int count = Handle() ? List().SelectedCount() : 0;
    if (count < 1)
        return items;
    items.reserve(size_t(count));
    if (count == ItemCount()) {
        for (int i = 0; i < count; ++i)
            items.push_back(i);
        return items;
    }
    for (int i = -1; int(items.size()) < count;) {
        i = NextSelected(i);
        if (i < 0)
            break;
        items.push_back(i);
    }
    return items;
}

int CSndListCtrl::FirstSelected() const
{
    return Handle() && List().SelectedCount() > 0 ? NextSelected(-1) : -1;
}

void CSndListCtrl::CountSelected(int& files, int& items) const
{
    files = items = 0;
    for (int i : SelectedItems()) {
        ++items;
        if (ListRow* row = RowAt(i))
            files += row->nKind == RowFile;
    }
}

std::vector<int> CSndListCtrl::MarkedItems() const
{
    std::vector<int> items = SelectedItems();
    int focused = List().NextItem(-1, LVNI_FOCUSED);
    if (focused >= 0)
        items.push_back(focused);
    return items;
}

void CSndListCtrl::RedrawSelection()
{
    for (int item : MarkedItems()) {
        RECT r;
        if (List().ItemRect(item, r, LVIR_BOUNDS))
            InvalidateRect(Handle(), &r, TRUE);
    }
    UpdateWindow(Handle());
}

namespace {
struct ListSearch {
    HWND self;
    HWND other;
};

BOOL CALLBACK FindOtherList(HWND hwnd, LPARAM lp)
{
    auto* search = reinterpret_cast<ListSearch*>(lp);
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (hwnd != search->self && lstrcmpiA(name, "syslistview32") == 0) {
        search->other = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

// The other list of the same parent gets the width just dragged.
void CSndListCtrl::KeepWidthInStep(int column)
{
    int width = List().ColumnWidth(column);
    if (width < 0)
        return;
    ListSearch search = {Handle(), nullptr};
    EnumChildWindows(GetParent(Handle()), FindOtherList, LPARAM(&search));
    if (search.other)
        CListView(search.other).SetColumnWidth(column, width);
}

namespace {
SortMemory g_sortMemory; // one for every list of the module
} // namespace

// The rows are sorted in their array, hidden ones too, so that a filter
// taken away shows every row in the order of the last click.
void CSndListCtrl::SortByColumn(int column)
{
    intptr_t param = g_sortMemory.Click(column);
    Marks marks = TakeMarks();
    CListSorter sorter(m_vecRows, column, m_code);
    sorter.Sort(param);
    Commit(marks);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void CSndListCtrl::SetContextMenuString(int command, const std::string& text)
{
    UINT id = command == 1 ? UINT(ID_CTX_ADDTRACK) : command == 2 ? UINT(ID_CTX_PREVIEW) : 0u;
    if (!id)
        return;
    (id == ID_CTX_ADDTRACK ? m_strAddTrack : m_strPreview) = text;
    if (m_hContextMenu)
        ModifyMenuA(m_hContextMenu, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
}

// The commands act on the selected files; the host asks for them when the
// command arrives. From the keyboard the menu opens below the last selected item.
void CSndListCtrl::ShowContextMenu(POINT screen)
{
    POINT at = screen;
    int item = -1;
    if (screen.x == -1 || screen.y == -1) {
        std::vector<int> selected = SelectedItems();
        if (selected.empty())
            return;
        item = selected.back();
        RECT label;
        if (List().ItemRect(item, label))
            at = {label.left, label.bottom};
    } else {
        ScreenToClient(Handle(), &at);
        item = List().HitTest(at);
    }
    std::vector<std::string> paths;
    if (item < 0 || !m_bContextMenu || !m_hContextMenu || !GetSelectedFiles(paths))
        return;
    if (paths.size() > 1)
        EnableMenuItem(m_hContextMenu, ID_CTX_PREVIEW, MF_BYCOMMAND | MF_GRAYED);
    ClientToScreen(Handle(), &at);
    UINT chosen = UINT(TrackPopupMenu(m_hContextMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x, at.y, 0,
                                      Handle(), nullptr));
    EnableMenuItem(m_hContextMenu, ID_CTX_PREVIEW, MF_BYCOMMAND | MF_ENABLED);
    if (chosen == ID_CTX_PREVIEW || chosen == ID_CTX_ADDTRACK)
        SendMessageA(GetParent(Handle()), UM_DOCOMMAND, chosen == ID_CTX_PREVIEW ? 2 : 1, 0);
}

bool CSndListCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    if (msg == WM_NOTIFYFORMAT) {
        result = m_code == platform::CODE_ANSI ? NFR_ANSI : NFR_UNICODE;
        return true;
    }
    if (msg != WM_NOTIFY)
        return false;
    const NMHDR* n = reinterpret_cast<const NMHDR*>(lp);
    if (n->code == LVN_GETDISPINFOA || n->code == LVN_GETDISPINFOW) {
        GiveCellText(lp, n->code == LVN_GETDISPINFOW);
        result = 0;
        return true;
    }
    if (n->code == LVN_ODFINDITEMA || n->code == LVN_ODFINDITEMW) {
        result = FindItem(lp, n->code == LVN_ODFINDITEMW);
        return true;
    }
    if (n->code == LVN_COLUMNCLICK)
        SortByColumn(reinterpret_cast<const NMLISTVIEW*>(lp)->iSubItem);
    else if (n->code == LVN_BEGINDRAG)
        BeginDrag();
    else
        return false;
    result = 0;
    return true;
}

// The list stores nothing of a row: it asks for what it shows.
void CSndListCtrl::GiveCellText(LPARAM lp, bool wide)
{
    // Both notifications share one layout up to the text pointer's type.
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lp)->item;
    const ListRow* row = RowAt(item.iItem);
    if (item.mask & LVIF_IMAGE)
        item.iImage = row && item.iSubItem == 0 ? row->nImage : -1;
    if (item.mask & LVIF_INDENT)
        item.iIndent = row ? row->nIndent : 0;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return;
    const char* text = !row ? "" : item.iSubItem > 0 ? CellText(*row, item.iSubItem) : row->strText.c_str();
    if (wide) {
        auto* out = reinterpret_cast<LPWSTR>(item.pszText);
        if (!MultiByteToWideChar(m_code == platform::CODE_UTF8 ? CP_UTF8 : CP_ACP, 0, text, -1, out, item.cchTextMax))
            out[item.cchTextMax - 1] = L'\0';
    } else if (m_code == platform::CODE_ANSI) {
        lstrcpynA(item.pszText, text, item.cchTextMax);
    } else {
        std::u16string w = platform::Utf8ToWide(text);
        lstrcpynA(item.pszText, platform::WideToAnsi(reinterpret_cast<const uint16_t*>(w.data()), w.size()).c_str(),
                  item.cchTextMax);
    }
}

// Typing in the list: the next item from the start item on (round to the
// beginning) whose name begins with the letters typed, ignoring case, or -1.
int CSndListCtrl::FindItem(LPARAM lp, bool wide) const
{
    const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(lp);
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz)
        return -1;
    std::wstring typed;
    if (wide) {
        typed = find->lvfi.psz;
    } else {
        const char* ansi = reinterpret_cast<const char*>(find->lvfi.psz);
        typed.resize(size_t(MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0)));
        MultiByteToWideChar(CP_ACP, 0, ansi, -1, &typed[0], int(typed.size()));
        typed.resize(typed.empty() ? 0 : typed.size() - 1);
    }
    const int count = ItemCount(), length = int(typed.size());
    if (count == 0 || length == 0)
        return -1;
    const UINT codePage = m_code == platform::CODE_UTF8 ? CP_UTF8 : CP_ACP;
    const int start = find->iStart >= 0 && find->iStart < count ? find->iStart : 0;
    const bool partial = (find->lvfi.flags & LVFI_PARTIAL) != 0;
    std::wstring name;
    for (int n = 0; n < count; ++n) {
        const int item = (start + n) % count;
        if (n > 0 && item == 0 && !(find->lvfi.flags & LVFI_WRAP))
            break;
        const CStr& text = RowAt(item)->strText;
        name.resize(text.size() + 1);
        const int chars = MultiByteToWideChar(codePage, 0, text.c_str(), int(text.size()), &name[0], int(name.size()));
        if (chars < (partial ? length : 1))
            continue;
        const int compared = partial ? length : chars;
        if ((partial || chars == length) &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(), compared, typed.c_str(), length) == CSTR_EQUAL)
            return item;
    }
    return -1;
}

void CSndListCtrl::NotifySelection()
{
    int files, items;
    CountSelected(files, items);
    SendMessageA(GetParent(Handle()), UM_ITEMSSELECTED, WPARAM(files), LPARAM(items));
}

LRESULT CSndListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_KEYUP:
        if (wp == VK_APPS) { // the context-menu key; not every system makes it a context-menu message
            SendMessageA(Handle(), WM_CONTEXTMENU, WPARAM(Handle()), MAKELPARAM(-1, -1));
            NotifySelection();
            return 0;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN: {
        LRESULT r = Default(msg, wp, lp);
        NotifySelection();
        return r;
    }
    case WM_KEYDOWN:
        if (wp == VK_RETURN) {
            ListRow* row = RowAt(FirstSelected());
            if (row && row->nKind == RowFile)
                SendMessageA(GetParent(Handle()), UM_ITEMDBLCLICK, WPARAM(row->strKey.c_str()), 0);
            return 0;
        }
        return Default(msg, wp, lp);
    case WM_LBUTTONDBLCLK: {
        int item = List().HitTest({short(LOWORD(lp)), short(HIWORD(lp))});
        ListRow* row = RowAt(item);
        if (row && row->nKind == RowFile)
            SendMessageA(GetParent(Handle()), UM_ITEMDBLCLICK, WPARAM(row->strKey.c_str()), 0);
        return Default(msg, wp, lp);
    }
    case WM_SETFOCUS: {
        if (ItemCount() > 0 && FirstSelected() < 0 &&
            List().NextItem(-1, LVNI_FOCUSED) < 0)
            List().SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
        LRESULT r = Default(msg, wp, lp);
        RedrawSelection();
        return r;
    }
    case WM_KILLFOCUS: {
        LRESULT r = Default(msg, wp, lp);
        RedrawSelection();
        return r;
    }
    case WM_NOTIFY: {
        const NMHDR* n = reinterpret_cast<const NMHDR*>(lp);
        LRESULT r = Default(msg, wp, lp);
        if (n && (n->code == HDN_ENDTRACKA || n->code == HDN_ENDTRACKW))
            KeepWidthInStep(reinterpret_cast<const NMHEADERA*>(lp)->iItem);
        return r;
    }
    case WM_CONTEXTMENU:
        ShowContextMenu({short(LOWORD(lp)), short(HIWORD(lp))});
        return 0;
    case WM_DESTROY:
        DeleteAllRows();
        if (m_hContextMenu)
            DestroyMenu(m_hContextMenu);
        m_hContextMenu = nullptr;
        return Default(msg, wp, lp);
    default:
        return Default(msg, wp, lp);
    }
}
