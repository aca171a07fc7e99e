// The sound view following the disk between searches: it starts and stops
// the folder watch and applies the batches of changes the watcher sends, to
// the catalogue, the file list and the grouped list, keeping open groups
// open and the selection where it was.
#include "SndView.h"
#include "catalogue/Extensions.h"
#include "platform/PlatformFile.h"

namespace {

bool IsUnder(const std::string& path, const std::string& key)
{
    return path.size() > key.size() && path.compare(0, key.size(), key) == 0 && path[key.size()] == '\\';
}

} // namespace

void CSndView::SetWatchFolders(bool on)
{
    if (on == m_bWatch)
        return;
    m_bWatch = on;
    if (on)
        StartWatching();
    else
        StopWatching();
}

void CSndView::StartWatching()
{
    if (m_bWatch && Handle() && !m_watch.IsRunning())
        m_bTakingChanges = m_watch.Start(Handle(), WatchRoots(), m_catalogue.TextCode());
}

void CSndView::StopWatching()
{
    m_bTakingChanges = false; // what the watcher sends while it ends is refused
    m_watch.Stop();
    m_watchBacklog.clear();
    if (!m_bWatch)
        m_mapRefused.clear();
}

void CSndView::WatchRootsChanged() { m_watch.SetRoots(WatchRoots(), m_catalogue.TextCode()); }

std::vector<WatchRoot> CSndView::WatchRoots() const
{
    std::vector<WatchRoot> roots;
    for (const auto& request : m_requests.Requests())
        roots.push_back({request.first, CSearchRequests::ExtensionList(request.second)});
    return roots;
}

void CSndView::NoteRefused(const std::string& path, uint64_t size, uint64_t time) { m_mapRefused[path] = {size, time}; }

bool CSndView::WasRefused(const std::string& path, uint64_t size, uint64_t time) const
{
    auto it = m_mapRefused.find(path);
    return it != m_mapRefused.end() && it->second.nSize == size && it->second.nTime == time;
}

// The request key the path lies under; for a file, one whose patterns it matches.
const std::string* CSndView::RootOf(const std::string& path, bool file) const
{
    for (const auto& request : m_requests.Requests()) {
        if (path != request.first && !IsUnder(path, request.first))
            continue;
        if (!file ||
            MatchPathExtension(path, CSearchRequests::ExtensionList(request.second), m_catalogue.TextCode()))
            return &request.first;
    }
    return nullptr;
}

// A batch from the watcher: taken at once and answered, so that the watcher
// goes on while the host answers the events the batch raises. Without a
// batch: apply what waits.
LRESULT CSndView::OnWatchChanges(WatchBatch* batch)
{
    if (batch) {
        if (!m_bTakingChanges || !Handle())
            return 0;
        for (WatchChange& change : batch->changes)
            m_watchBacklog.push_back(std::move(change));
        batch->changes.clear();
        batch->bTaken = TRUE;
        if (InSendMessage())
            ReplyMessage(1);
    }
    ApplyWatchChanges();
    return 1;
}

void CSndView::ResumeWatchChanges()
{
    if (!m_watchBacklog.empty() && Handle())
        PostMessageA(Handle(), UM_WATCHCHANGES, 0, 0);
}

// Watching waits while a search or a look-up runs. The host may call back
// from inside each event: after each change the watch may be off, the window
// gone or a search started, and the rest then waits or goes.
void CSndView::ApplyWatchChanges()
{
    if (m_bApplyingWatch || m_hWorker || m_pLookupJob || !Handle() || !m_bTakingChanges)
        return;
    m_bApplyingWatch = true;
    ChangeCounts counts = {};
    PathSet removed; // rows to leave the file list
    size_t done = 0;
    while (done < m_watchBacklog.size() && !m_hWorker && !m_pLookupJob && Handle() && m_bTakingChanges) {
        const WatchChange change = m_watchBacklog[done++]; // the backlog may grow during an event
        ApplyWatchChange(change, counts, removed);
    }
    if (done >= m_watchBacklog.size())
        m_watchBacklog.clear();
    else
        m_watchBacklog.erase(m_watchBacklog.begin(), m_watchBacklog.begin() + long(done));
    DropFromFileList(removed);
    EndFilling(); // the rows it added show now
    m_bApplyingWatch = false;
    if (!counts.lAdded && !counts.lRemoved && !counts.lChanged)
        return;
    // The grouped views not listed now are built anew when next shown.
    for (int v = ID_VIEW_ARTIST; v <= ID_VIEW_GENRE; ++v)
        if (v != m_nListedView)
            DiscardViewRows(v);
    if (m_catalogue.FilterText().IsSet()) // groups that came, went or changed show as their records do
        ApplyFilter();
    ShowNoneFoundIfEmpty();
    if (Handle())
        SendMessageA(GetParent(Handle()), UM_CATALOGUECHANGED, WPARAM(&counts), 0);
}

bool CSndView::ApplyWatchChange(const WatchChange& change, ChangeCounts& counts, PathSet& removed)
{
    const std::string& path = change.strPath;
    const platform::TextCode code = m_catalogue.TextCode();
    const std::string* root = RootOf(path, change.nKind == WatchChange::PRESENT);
    if (!root)
        return false; // no longer a root of the table, or not of its patterns
    if (change.nKind == WatchChange::GONE) {
        // A root that went away keeps its records until the next search.
        if (!platform::PathExists({CSearchRequests::RootFolder(*root), code}))
            return false;
        std::vector<std::string> gone;
        m_catalogue.RemoveGone(path, gone);
        m_mapRefused.erase(path);
        if (gone.empty())
            return false;
        PathSet paths(gone.begin(), gone.end());
        DropFromGroupedList(paths);
        removed.insert(paths.begin(), paths.end());
        counts.lRemoved += int32_t(gone.size());
        return true;
    }
    auto record = m_catalogue.Files().find(path.c_str());
    if (record != m_catalogue.Files().end()) {
        if (change.nSince && change.nWriteTime < change.nSince)
            return false; // unchanged since the catalogue last knew it
        const CMusicInfo& info = *record->second;
        const bool shownBefore = m_catalogue.PassesFilter(info);
        m_catalogue.RereadFile(path.c_str());
        const bool shownNow = m_catalogue.PassesFilter(info);
        DropFromGroupedList({path});
        PlaceInGroupedList(path);
        if (shownBefore && !shownNow)
            removed.insert(path);
        else if (!shownBefore && shownNow)
            InsertFileRow(info);
        ++counts.lChanged;
        return true;
    }
    if (WasRefused(path, change.nSize, change.nWriteTime))
        return false;
    if (OfferFile(path) != ADD_ADDED)
        return false;
    PlaceInGroupedList(path);
    ++counts.lAdded;
    return true;
}

// A record just filed gets its place in the grouped view the grouped list
// holds: a new group row, closed, where the groups' order puts it, or a file
// row inside its group when that group is open.
void CSndView::PlaceInGroupedList(const std::string& path)
{
    if (!Handle() || m_nStyle != 2 || m_nListedView == ID_VIEW_FILES)
        return;
    auto record = m_catalogue.Files().find(path.c_str());
    if (record == m_catalogue.Files().end())
        return;
    const CMusicInfo& info = *record->second;
    const int which = m_nListedView == ID_VIEW_ARTIST  ? CCatalogue::ARTISTS
                      : m_nListedView == ID_VIEW_ALBUM ? CCatalogue::ALBUMS
                                                       : CCatalogue::GENRES;
    const auto* group = m_catalogue.GroupOf(which, info);
    if (!group)
        return; // hidden by the filter, or another file of that name stands for it
    const bool unknown = group->first == UNKNOWN_GROUP;
    const platform::CCaseOrder& order = m_catalogue.Order();
    // The group rows stand at indent 0, the unknown group first, the others in
    // the catalogue's order; hidden ones count, as they hold their place.
    size_t at = RowCount(), insertAt = RowCount();
    for (size_t pos = 0; pos < RowCount(); ++pos) {
        const ListRow* row = Row(pos);
        if (row->nIndent != 0)
            continue;
        const bool rowUnknown = row->nKind == RowUnknown || row->nKind == RowUnknownOpen;
        if (unknown || rowUnknown) {
            if (unknown && rowUnknown)
                at = pos;
            if (unknown) {
                insertAt = 0;
                break;
            }
            continue;
        }
        int c = order.Compare(row->strKey.c_str(), group->first.c_str());
        if (c == 0) {
            at = pos;
            break;
        }
        if (c > 0) {
            insertAt = pos;
            break;
        }
    }
    if (at == RowCount()) {
        ListRow* row = unknown ? NewRow(0, RowUnknown, UNKNOWN_GROUP, InListCode(UnknString(m_nListedView)))
                               : NewRow(0, RowGroup, group->first, group->first);
        Dress(*row, false);
        PutRows(insertAt, {row});
        return;
    }
    ListRow* groupRow = Row(at);
    if (groupRow->nKind != RowGroupOpen && groupRow->nKind != RowUnknownOpen)
        return; // its files are listed when it opens
    int rank = 0;
    for (const CMusicInfo* member : group->second) {
        if (member == &info)
            break;
        if (m_catalogue.PassesFilter(*member))
            ++rank;
    }
    ListRow* file = NewRow(groupRow->nIndent + 1, RowFile, info.m_strPath, info.m_strFileName);
    file->pParent = groupRow;
    Dress(*file, false);
    PutRows(at + 1 + size_t(rank), {file});
}

// File rows of these paths leave the grouped list, and so do group rows
// whose groups are no longer in the catalogue, with every row below them.
void CSndView::DropFromGroupedList(const PathSet& paths)
{
    if (!Handle() || m_nListedView == ID_VIEW_FILES)
        return;
    CCatalogue::GroupIndex* index = IndexOf(m_nListedView);
    bool groupGone = false;
    DropRows([&](const ListRow& row) {
        if (row.nIndent == 0 && row.nKind != RowFile) {
            auto group = index ? index->find(row.strKey.c_str()) : CCatalogue::GroupIndex::iterator();
            groupGone = index && (group == index->end() || group->second.empty());
            return groupGone;
        }
        return groupGone || (row.nKind == RowFile && paths.count(row.strKey.view()) > 0);
    });
}

void CSndView::DropFromFileList(const PathSet& paths)
{
    if (paths.empty() || !m_fileList.Handle())
        return;
    m_fileList.DropRows([&](const ListRow& row) { return row.nKind == RowFile && paths.count(row.strKey.view()) > 0; });
}

// As at the end of a search: a file list left empty shows the nothing-found
// row, and the view menu closes.
void CSndView::ShowNoneFoundIfEmpty()
{
    if (!m_fileList.Handle() || m_fileList.ItemCount() > 0)
        return;
    m_bViewEnabled = false;
    if (!m_strNoFileFound.empty())
        InsertNoneFoundRow();
}
