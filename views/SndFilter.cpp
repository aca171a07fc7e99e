// The quick filter: FilterText hides the rows of records whose texts miss a
// word, in both lists, without taking them out: the rows keep their order,
// their groups stay open, and an empty text shows every row again.
#include "SndView.h"
#include <algorithm>

bool CSndView::RecordShows(const CMusicInfo* info) const
{
    if (!m_catalogue.FilterText().IsSet())
        return true;
    return info && m_catalogue.MatchesFilterText(*info);
}

// narrowing: the text only grew at its end, so what it hid stays hidden and
// only the rows shown are looked at.
void CSndView::MarkFileRows(bool narrowing)
{
    for (size_t pos = 0; pos < m_fileList.RowCount(); ++pos) {
        ListRow* row = m_fileList.Row(pos);
        if (!(narrowing && row->bHidden))
            row->bHidden = row->nKind == RowFile && !RecordShows(row->pInfo);
    }
}

// A group shows while it holds a record that shows; the files of an open
// group follow their records.
void CSndView::MarkGroupRows(const std::vector<ListRow*>& rows, int32_t view, bool narrowing)
{
    const bool set = m_catalogue.FilterText().IsSet();
    const CCatalogue::GroupIndex* index = set ? IndexOf(view) : nullptr;
    for (ListRow* row : rows) {
        if (narrowing && row->bHidden)
            continue;
        if (row->nKind == RowFile) {
            row->bHidden = set && !RecordShows(row->pInfo);
            continue;
        }
        row->bHidden = false;
        if (!set || row->nKind == RowNoneFound)
            continue;
        auto group = index ? index->find(row->strKey.c_str()) : CCatalogue::GroupIndex::const_iterator();
        if (!index || group == index->end()) {
            row->bHidden = true;
            continue;
        }
        const auto& members = group->second;
        row->bHidden = std::none_of(members.begin(), members.end(), [&](const CMusicInfo* info) {
            return m_catalogue.Shown(*info) && m_catalogue.MatchesFilterText(*info);
        });
    }
}

// Only the list shown is marked at once; the other one is marked when it is
// shown next (MarkShownList), so that a letter typed costs one list.
void CSndView::ApplyFilter()
{
    if (!Handle())
        return;
    m_nFilesMarkedAt = m_nGroupsMarkedAt = kStale;
    MarkShownList();
}

void CSndView::MarkShownList()
{
    if (!Handle())
        return;
    if (m_nView == ID_VIEW_FILES || m_nStyle == 1) {
        if (m_nFilesMarkedAt == m_nFilterChanges)
            return;
        MarkFileRows(m_nNarrowedAt == m_nFilterChanges && m_nFilesMarkedAt + 1 == m_nFilterChanges);
        m_fileList.ShowRows();
        m_nFilesMarkedAt = m_nFilterChanges;
    } else if (m_nListedView != ID_VIEW_FILES && m_nGroupsMarkedAt != m_nFilterChanges) {
        std::vector<ListRow*> rows(RowCount());
        for (size_t pos = 0; pos < rows.size(); ++pos)
            rows[pos] = Row(pos);
        MarkGroupRows(rows, m_nListedView, m_nNarrowedAt == m_nFilterChanges && m_nGroupsMarkedAt + 1 == m_nFilterChanges);
        ShowRows();
        m_nGroupsMarkedAt = m_nFilterChanges;
    }
}

void CSndView::SetFilterText(const std::string& text, bool unmatchable)
{
    const bool wasSet = m_catalogue.FilterText().IsSet();
    const std::string before = m_catalogue.FilterText().Text();
    m_catalogue.SetFilterText(text, unmatchable);
    if (!wasSet && !m_catalogue.FilterText().IsSet())
        return; // blanks after nothing: every row shows as it did
    ++m_nFilterChanges;
    // Letters typed at the end: every word is the same or longer, or new,
    // so nothing hidden can show again.
    if (wasSet && text.size() > before.size() && text.compare(0, before.size(), before) == 0)
        m_nNarrowedAt = m_nFilterChanges;
    if (!Handle())
        return;
    ApplyFilter();
    ShownList().NotifySelection();
}

// Rows may outlive their records for a while (a file list is purged after
// its records went): they forget them first.
void CSndView::RecordsGoing(const std::vector<const CMusicInfo*>& records)
{
    auto forget = [&](ListRow* row) {
        if (row->pInfo && std::binary_search(records.begin(), records.end(), row->pInfo))
            row->pInfo = nullptr;
    };
    for (size_t pos = 0; pos < m_fileList.RowCount(); ++pos)
        forget(m_fileList.Row(pos));
    for (size_t pos = 0; pos < RowCount(); ++pos)
        forget(Row(pos));
    for (int slot = 0; slot < CRowCache::kSlots; ++slot)
        for (ListRow* row : m_rowCache.Rows(slot))
            forget(row);
}
