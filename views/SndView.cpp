#include "SndView.h"
#include "catalogue/Messages.h"
#include "framework/Module.h"
#include "platform/PlatformFile.h"
#include "scan/FolderScan.h"
#include <shellapi.h>
#include <cstdlib>
#include <memory>

namespace {
const UINT kFileListId = 321;
const DWORD kListStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS;
const DWORD kPaintInterval = 250; // ms between repaints of a file list that a search fills
} // namespace

CSndView::~CSndView()
{
    StopSearch();
    WaitForWorker();
    if (Handle())
        DestroyWindow(Handle());
    m_catalogue.SetView(nullptr);
    for (int v = ID_VIEW_ARTIST; v <= ID_VIEW_GENRE; ++v)
        DiscardViewRows(v);
}

bool CSndView::CreateListWindows(HWND parent, const RECT& rect, UINT id)
{
    if (!m_fileList.CreateList(parent, rect, kFileListId, kListStyle) ||
        !CreateList(parent, rect, id, kListStyle | LVS_NOSORTHEADER))
        return false;
    List().SetBkColor(GetSysColor(COLOR_WINDOW));
    // The grouped list's own icons: unknown groups, folders, drives.
    const struct {
        const char* key;
        int resource;
    } own[] = {{"*UNKNFOLDER*", 215}, {"*UNKNOPENFOLDER*", 218}};
    for (const auto& icon : own) {
        HICON h = HICON(LoadImageA(fw::ModuleInstance(), MAKEINTRESOURCEA(icon.resource), IMAGE_ICON, 16, 16, 0));
        if (h) {
            AddIcon(icon.key, h);
            DestroyIcon(h);
        }
    }
    char windows[MAX_PATH];
    if (GetWindowsDirectoryA(windows, MAX_PATH)) {
        std::string drive = std::string(1, windows[0]) + ":\\";
        const struct {
            const char* key;
            const char* path;
            UINT flags;
        } shell[] = {{"*FOLDER*", windows, 0}, {"*OPENFOLDER*", windows, SHGFI_OPENICON}, {"*DRIVE*", drive.c_str(), 0}};
        for (const auto& icon : shell) {
            SHFILEINFOA info = {};
            if (SHGetFileInfoA(icon.path, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | icon.flags) &&
                info.hIcon) {
                AddIcon(icon.key, info.hIcon);
                DestroyIcon(info.hIcon);
            }
        }
    }
    CreateViewMenu();
    // The help tip: a sibling of the lists, over whichever of them is shown.
    m_pTip = new CTipWnd("TarnwickTip", parent);
    m_pTip->SetHelpRect(TipRect(rect));
    m_pTip->SetHelpText("");
    if (!m_pTip->ShowHelp(0)) {
        delete m_pTip;
        m_pTip = nullptr;
    }
    List().DeleteColumn(3);
    List().DeleteColumn(2);
    m_nView = ID_VIEW_FILES;
    ShowList(true);
    InsertCataloguedRows();
    StartWatching();
    return true;
}

// Records catalogued before the lists existed (a cache file the host named
// early) get their rows now, as if they had just been added.
void CSndView::InsertCataloguedRows()
{
    for (const auto& entry : m_catalogue.Files())
        if (entry.second && m_catalogue.PassesFilter(*entry.second))
            InsertFileRow(*entry.second);
    EndFilling();
    m_bViewEnabled = HasFileRows();
}

// Hidden rows count: a filter that hides every row leaves the views open.
bool CSndView::HasFileRows() const
{
    const ListRow* first = m_fileList.Row(0);
    return first && first->nKind != RowNoneFound;
}

// Below the column headers, near the top left corner of the lists.
RECT CSndView::TipRect(const RECT& lists) const
{
    RECT header = {};
    GetWindowRect(m_fileList.List().Header(), &header);
    LONG top = lists.top + 20 + (header.bottom - header.top);
    return RECT{lists.left + 20, top, lists.left + 200, top + 130};
}

void CSndView::ShowList(bool files)
{
    CSndListCtrl& shown = files ? m_fileList : *this;
    CSndListCtrl& hidden = files ? static_cast<CSndListCtrl&>(*this) : m_fileList;
    // Hidden first: a list shown over the other one, still visible in the
    // same rectangle, takes longer to come up than one shown alone.
    ShowWindow(hidden.Handle(), SW_HIDE);
    EnableWindow(hidden.Handle(), FALSE);
    ShowWindow(shown.Handle(), SW_SHOW);
    EnableWindow(shown.Handle(), TRUE);
}

CCatalogue::GroupIndex* CSndView::IndexOf(int32_t view)
{
    switch (view) {
    case ID_VIEW_ARTIST: return &m_catalogue.Artists();
    case ID_VIEW_ALBUM: return &m_catalogue.Albums();
    case ID_VIEW_GENRE: return &m_catalogue.GenreGroups();
    default: return nullptr;
    }
}

// --- Views and row caches

void CSndView::SetView(int32_t view)
{
    if (ViewIndex(view) < 0 || !m_bViewEnabled)
        return;
    if (Handle()) {
        SetRedraw(false);
        if (m_nStyle == 1 || view == ID_VIEW_FILES)
            ShowList(true);
        if (view != ID_VIEW_FILES)
            ShowList(false);
        // The file view only hides the grouped list: its rows stay listed
        // until another grouped view needs the list.
        if (view != ID_VIEW_FILES && view == m_nListedView) {
            ShowAsListed();
        } else if (view != ID_VIEW_FILES) {
            SaveViewRows();
            m_nListedView = ID_VIEW_FILES;
            RestoreViewRows(view);
        }
    }
    m_nView = view;
    if (Handle()) {
        MarkShownList(); // the filter changed while it was hidden
        SetRedraw(true);
    }
}

// Style 1 leaves a grouped view the way SetView does, so that no row stays in
// the grouped list while its cache also holds it.
void CSndView::SetStyle(int32_t style)
{
    if (style == 1 && m_nView != ID_VIEW_FILES) {
        bool enabled = m_bViewEnabled;
        m_bViewEnabled = true;
        SetView(ID_VIEW_FILES);
        m_bViewEnabled = enabled;
    }
    m_nStyle = style;
    if (style == 1)
        m_nView = ID_VIEW_FILES;
}

// A grouped view shown again finds its rows as they were listed, but as
// freshly listed rows look: nothing selected or focused, the first row at the top.
void CSndView::ShowAsListed()
{
    for (int item : MarkedItems())
        List().SetItemState(item, 0, LVIS_SELECTED | LVIS_FOCUSED);
    List().SetSelectionMark(-1);
    if (ItemCount() > 0)
        List().EnsureVisible(0);
}

// The listed view's rows go to its cache, which holds nothing while they are
// listed; the list is left empty.
void CSndView::SaveViewRows()
{
    int index = ViewIndex(m_nListedView);
    if (index <= 0 || !Handle())
        return;
    m_rowCache.Keep(index, TakeAllRows());
    m_nCachedAt[index] = m_nGroupsMarkedAt;
}

// The cached rows go back into the list, which owns them again.
void CSndView::RestoreViewRows(int32_t view)
{
    int index = ViewIndex(view);
    if (index <= 0)
        return;
    if (!m_rowCache.Holds(index)) {
        BuildGroupRows(view);
        return;
    }
    std::vector<ListRow*> rows = m_rowCache.Take(index);
    if (m_nCachedAt[index] != m_nFilterChanges) // the filter changed meanwhile
        MarkGroupRows(rows, view);
    m_nGroupsMarkedAt = m_nFilterChanges;
    PutRows(RowCount(), std::move(rows));
    m_nListedView = view;
}

void CSndView::DiscardViewRows(int32_t view)
{
    if (ViewIndex(view) > 0)
        m_rowCache.Discard(ViewIndex(view));
}

// Every grouped row goes: the listed ones and the cached ones.
void CSndView::DiscardGroupedRows()
{
    DeleteAllRows();
    m_nListedView = ID_VIEW_FILES;
    for (int v = ID_VIEW_ARTIST; v <= ID_VIEW_GENRE; ++v)
        DiscardViewRows(v);
}

std::string CSndView::InListCode(const std::string& label) const
{
    std::string text;
    return platform::FromCodePage(label, m_catalogue.TextCode(), text) ? text : label;
}

bool CSndView::SetTextCode(platform::TextCode code)
{
    const platform::TextCode from = m_catalogue.TextCode();
    if (code == from)
        return true;
    if (!m_catalogue.CanRecode(code) || !m_requests.Recode(from, code))
        return false;
    m_fileList.DeleteAllRows();
    m_catalogue.SetTextCode(code);
    // The watch carries its pending paths over; what waits here is recoded.
    m_mapRefused.clear();
    std::vector<WatchChange> waiting;
    for (WatchChange& change : m_watchBacklog)
        if (platform::Recode(change.strPath, from, code, change.strPath))
            waiting.push_back(std::move(change));
    m_watchBacklog.swap(waiting);
    WatchRootsChanged();
    m_fileList.SetTextCode(code);
    CSndListCtrl::SetTextCode(code);
    if (!Handle())
        return true;
    InsertCataloguedRows();
    BuildGroupRows(-1);
    return true;
}

void CSndView::SetUnknString(int32_t view, const std::string& text)
{
    if (ViewIndex(view) >= 0)
        m_strUnknNames[ViewIndex(view)] = text;
}

// --- Rows

int CSndView::InsertRow(int index, ListRow* row, int view)
{
    if (!row || m_catalogue.IsClearing() || !Handle())
        return -1;
    bool toFiles = view == ID_VIEW_FILES || (view == -1 && m_nView == ID_VIEW_FILES);
    if (row->nKind != RowFile && row->nKind != RowNoneFound)
        toFiles = false;
    CSndListCtrl& target = toFiles ? m_fileList : *this;
    Dress(*row, toFiles);
    return target.InsertItem(index, row, row->nImage);
}

// What a row shows besides its text: a file row its record (whose cells it
// shows) and its type's icon; a group row the icon of its kind.
void CSndView::Dress(ListRow& row, bool toFiles)
{
    if (row.nKind == RowFile) {
        auto record = m_catalogue.Files().find(row.strKey.c_str());
        row.pInfo = record != m_catalogue.Files().end() ? record->second.get() : nullptr;
        row.nImage = (toFiles ? m_fileList : *this).FileImageOf(row);
        return;
    }
    static const char* const kKeys[] = {"*FOLDER*", "*FOLDER*", "*OPENFOLDER*", "", "*OPENFOLDER*",
                                         "*DRIVE*", "*DRIVE*", "*UNKNOPENFOLDER*", "*UNKNFOLDER*"};
    row.nImage = row.nKind >= 0 && row.nKind <= RowUnknown && !toFiles ? ImageOf(kKeys[row.nKind]) : 0;
}

// Frees the rows of items first to first + count - 1.
void CSndView::DeleteRows(int first, int count)
{
    std::vector<const ListRow*> going;
    for (int i = first; i < first + count && i < ItemCount(); ++i)
        going.push_back(RowAt(i));
    size_t next = 0; // the rows come in list order
    DropRows([&](const ListRow& row) {
        if (next < going.size() && &row == going[next]) {
            ++next;
            return true;
        }
        return false;
    });
}

// A search or a cache file fills the file list a row at a time; it is drawn
// now and then, not at every row, until the filling ends.
void CSndView::BeginFilling()
{
    if (m_bFilling || !m_fileList.Handle())
        return;
    m_bFilling = true;
    m_fileList.SetRedraw(false);
    m_fileList.HoldCount(true);
    m_nLastPaint = GetTickCount();
}

void CSndView::EndFilling()
{
    if (!m_bFilling)
        return;
    m_bFilling = false;
    m_fileList.HoldCount(false);
    m_fileList.SetRedraw(true);
    InvalidateRect(m_fileList.Handle(), nullptr, TRUE);
}

void CSndView::InsertFileRow(const CMusicInfo& info)
{
    if (m_catalogue.IsClearing() || !m_fileList.Handle())
        return;
    ListRow* row = NewRow(0, RowFile, info.m_strPath, info.m_strFileName);
    BeginFilling();
    row->pInfo = &info; // the record in hand, not looked up again
    row->bHidden = !RecordShows(&info);
    if (m_fileList.CSndListCtrl::InsertRow(m_fileList.ItemCount(), row, ID_VIEW_FILES) < 0) {
        delete row;
        return;
    }
    if (GetTickCount() - m_nLastPaint > kPaintInterval) {
        m_fileList.HoldCount(false); // the rows so far are counted and drawn
        m_fileList.HoldCount(true);
        m_fileList.SetRedraw(true);
        RedrawWindow(m_fileList.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        m_fileList.SetRedraw(false);
        m_nLastPaint = GetTickCount();
    }
}

void CSndView::BuildGroupRows(int32_t view)
{
    if (!Handle() || m_catalogue.IsClearing())
        return;
    SetRedraw(false);
    if (view < ID_VIEW_FILES)
        view = m_nView;
    if (view != ID_VIEW_FILES)
        m_nListedView = view;
    CCatalogue::GroupIndex* index = m_nStyle == 2 ? IndexOf(view) : nullptr;
    if (index) {
        std::vector<ListRow*> rows;
        rows.reserve(index->size());
        auto unknown = index->find(UNKNOWN_GROUP);
        if (unknown != index->end() && !unknown->second.empty())
            rows.push_back(NewRow(0, RowUnknown, UNKNOWN_GROUP, InListCode(UnknString(view))));
        for (const auto& group : *index)
            if (group.first != UNKNOWN_GROUP)
                rows.push_back(NewRow(0, RowGroup, group.first, group.first));
        for (ListRow* row : rows)
            Dress(*row, false);
        MarkGroupRows(rows, view);
        m_nGroupsMarkedAt = m_nFilterChanges;
        PutRows(RowCount(), std::move(rows));
    }
    SetRedraw(true);
}

void CSndView::ExpandRow(int item)
{
    ListRow* row = RowAt(item);
    if (!row || (row->nKind != RowGroup && row->nKind != RowUnknown))
        return;
    SetRedraw(false);
    bool unknown = row->nKind == RowUnknown;
    row->nKind = unknown ? RowUnknownOpen : RowGroupOpen;
    row->nImage = ImageOf(unknown ? "*UNKNOPENFOLDER*" : "*OPENFOLDER*");
    RedrawItem(item);
    CCatalogue::Group files;
    if (CCatalogue::GroupIndex* index = IndexOf(m_nView))
        files = (*index)[std::string(row->strKey.view())]; // a key that is not there becomes an empty group
    std::vector<ListRow*> rows;
    rows.reserve(files.size());
    for (CMusicInfo* info : files) {
        if (!m_catalogue.Shown(*info))
            continue;
        ListRow* file = NewRow(row->nIndent + 1, RowFile, info->m_strPath, info->m_strFileName);
        file->pParent = row;
        file->pInfo = info;
        file->bHidden = !RecordShows(info);
        file->nImage = FileImageOf(*file);
        rows.push_back(file);
    }
    PutRows(PosOf(item) + 1, std::move(rows));
    SetRedraw(true);
}

void CSndView::CollapseRow(int item)
{
    ListRow* row = RowAt(item);
    if (!row)
        return;
    const char* key;
    switch (row->nKind) {
    case RowGroupOpen: row->nKind = RowGroup, key = "*FOLDER*"; break;
    case RowUnknownOpen: row->nKind = RowUnknown, key = "*UNKNFOLDER*"; break;
    case RowFolderOpen: row->nKind = RowFolder, key = "*FOLDER*"; break;
    case RowDriveOpen: row->nKind = RowDrive, key = "*DRIVE*"; break;
    default: return;
    }
    SetRedraw(false);
    row->nImage = ImageOf(key);
    RedrawItem(item);
    CollapseBelow(item);
    SetRedraw(true);
}

// Every row below the item that is indented deeper goes, shown or hidden.
void CSndView::CollapseBelow(int item)
{
    const ListRow* row = RowAt(item);
    if (!row)
        return;
    const size_t pos = PosOf(item);
    size_t end = pos + 1;
    while (end < RowCount() && Row(end)->nIndent > row->nIndent)
        ++end;
    SetRedraw(false);
    DropRange(pos + 1, end - pos - 1);
    SetRedraw(true);
}

bool CSndView::SetColumn(int column, const std::string& header, int width)
{
    return m_fileList.SetColumn(column, header, width) && CSndListCtrl::SetColumn(column, header, width);
}

bool CSndView::SetColumnWidth(int column, int width)
{
    if (!m_fileList.Handle())
        return false;
    return m_fileList.List().SetColumnWidth(column, width) && List().SetColumnWidth(column, width);
}

void CSndView::CountSelected(int& files, int& items) const
{
    if (m_nView == ID_VIEW_FILES)
        m_fileList.CountSelected(files, items);
    else
        CSndListCtrl::CountSelected(files, items);
}

// The selection of the list the current view shows.
bool CSndView::GetSelectedFiles(std::vector<std::string>& paths) const
{
    if (m_nView == ID_VIEW_FILES)
        return m_fileList.GetSelectedFiles(paths);
    return CSndListCtrl::GetSelectedFiles(paths);
}

bool CSndView::GetSelectedItemsString(std::string& text)
{
    if (m_nView == ID_VIEW_FILES)
        return m_fileList.GetSelectedItemsString(text);
    return CSndListCtrl::GetSelectedItemsString(text);
}

// A group selected without any of its files brings all of them, hidden ones too.
void CSndView::AppendGroupFiles(const ListRow* row, std::string& text)
{
    CCatalogue::GroupIndex* index = row ? IndexOf(m_nView) : nullptr;
    if (!index)
        return;
    auto group = index->find(row->strKey.c_str());
    if (group == index->end())
        return;
    for (const CMusicInfo* info : group->second) {
        if (!RecordShows(info)) // what the quick filter hides stays
            continue;
        text += info->m_strPath.c_str();
        text += '|';
    }
}

void CSndView::SetContextMenuString(int command, const std::string& text)
{
    CSndListCtrl::SetContextMenuString(command, text);
    m_fileList.SetContextMenuString(command, text);
}

// --- Filter

void CSndView::HideItems(const std::string& list)
{
    m_catalogue.SetHiddenExtensions(list);
    Refresh();
}

void CSndView::SetHideAudioLength(int32_t seconds)
{
    m_catalogue.SetMinLength(seconds);
    Refresh();
}

// Empties the grouped list and every grouped view's cache, freeing the rows.
void CSndView::EmptyGroupedList()
{
    m_catalogue.ClearCatalogue(CLEAR_GROUP_ROWS);
}

void CSndView::Refresh()
{
    EmptyGroupedList();
    m_catalogue.RebuildGroups();
    BuildGroupRows(-1);
    if (Handle())
        m_bViewEnabled = HasRowsToShow();
}

// A grouped view that the filter emptied must not trap the user: the view
// menu stays open while either list has rows to go back to.
bool CSndView::HasRowsToShow() const
{
    return HasFileRows() || (m_nView != ID_VIEW_FILES && ItemCount() > 0);
}

// Loading a cache file into a shown grouped view builds it anew, as the end
// of a search does: no group may be listed twice.
void CSndView::RebuildShownGroupView()
{
    EmptyGroupedList();
    BuildGroupRows(-1);
}

// Rows of vanished files, of records the filter now hides, of paths no longer
// catalogued, and the nothing-found row leave the file list.
void CSndView::PurgeFileList(int32_t view)
{
    if (view != ID_VIEW_FILES || !m_fileList.Handle())
        return;
    m_fileList.DropRows([&](const ListRow& row) {
        auto record = m_catalogue.Files().find(row.strKey.c_str());
        return row.nKind == RowNoneFound || !platform::PathExists({std::string(row.strKey.view()), m_catalogue.TextCode()}) ||
               record == m_catalogue.Files().end() || !m_catalogue.PassesFilter(*record->second);
    });
}

void CSndView::SyncViewAfterLoad()
{
    EndFilling();
    m_bViewEnabled = Handle() && HasRowsToShow();
    if (!m_bViewEnabled && !m_catalogue.Files().empty() && m_fileList.Handle() && !m_fileList.Row(0))
        InsertNoneFoundRow();
}

// The file list's row that says nothing was found, its text in the names' code.
void CSndView::InsertNoneFoundRow()
{
    ListRow* row = NewRow(0, RowNoneFound, "*NONEFOUND*", InListCode(m_strNoFileFound));
    if (m_fileList.CSndListCtrl::InsertRow(m_fileList.ItemCount(), row, ID_VIEW_FILES) < 0)
        delete row;
}

void CSndView::DropNoneFoundRow()
{
    const ListRow* first = m_fileList.Row(0);
    if (first && first->nKind == RowNoneFound)
        m_fileList.DropRange(0, 1);
}

LRESULT CSndView::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (OnSearchMessage(msg, wp, lp, result))
        return result;
    switch (msg) {
    case UM_WATCHCHANGES:
        return OnWatchChanges(reinterpret_cast<WatchBatch*>(lp));
    case UM_TRACKUPDATED:
        if (wp && lp) {
            auto* info = reinterpret_cast<CMusicInfo*>(wp);
            info->TakeTrack(*reinterpret_cast<const CTrackFound*>(lp));
            m_catalogue.RefileAfterLookup(info);
        }
        return 0;
    case WM_SIZE: {
        LRESULT r = Default(msg, wp, lp);
        RECT rect;
        GetWindowRect(Handle(), &rect);
        MapWindowPoints(nullptr, GetParent(Handle()), reinterpret_cast<POINT*>(&rect), 2);
        if (m_fileList.Handle())
            MoveWindow(m_fileList.Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        if (m_pTip) {
            RECT tip = TipRect(rect);
            SetWindowPos(m_pTip->Handle(), HWND_TOP, tip.left, tip.top, tip.right - tip.left, tip.bottom - tip.top,
                         SWP_NOACTIVATE);
        }
        return r;
    }
    case WM_LBUTTONDOWN: {
        LRESULT r = CSndListCtrl::WindowProc(msg, wp, lp);
        int item = List().HitTest({short(LOWORD(lp)), short(HIWORD(lp))}, true);
        if (ListRow* row = RowAt(item)) {
            switch (row->nKind) {
            case RowFolder: case RowGroup: case RowDrive: case RowUnknown: ExpandRow(item); break;
            case RowGroupOpen: case RowFolderOpen: case RowDriveOpen: case RowUnknownOpen: CollapseRow(item); break;
            default: break;
            }
        }
        return r;
    }
    case WM_KEYDOWN: {
        int item = FirstSelected();
        if (wp == VK_LEFT)
            CollapseRow(item);
        else if (wp == VK_RIGHT)
            ExpandRow(item);
        return CSndListCtrl::WindowProc(msg, wp, lp);
    }
    case WM_DESTROY: {
        StopLookup(); // the worker walks the catalogue that goes below
        StopSearch();
        StopWatching();
        HideHelp();
        m_catalogue.ClearCatalogue(CLEAR_GROUP_ROWS | CLEAR_ALL_FILES | CLEAR_GROUPS); // frees the grouped rows
        if (m_hViewMenu)
            DestroyMenu(m_hViewMenu);
        m_hViewMenu = nullptr;
        if (m_fileList.Handle())
            DestroyWindow(m_fileList.Handle());
        return CSndListCtrl::WindowProc(msg, wp, lp);
    }
    default:
        return CSndListCtrl::WindowProc(msg, wp, lp);
    }
}
