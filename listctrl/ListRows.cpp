// The rows of an owner-data list: the array that holds them, the items
// (the rows not hidden), and the selection, focus and selection mark, which
// the list view keeps by item number and which must stay on their rows when
// rows come, go, hide or are sorted.
#include "SndListCtrl.h"
#include <algorithm>
#include <utility>

size_t CSndListCtrl::PosOf(int item) const
{
    return item >= 0 && size_t(item) < m_vecItems.size() ? m_vecItems[size_t(item)] : m_vecRows.size();
}

int CSndListCtrl::ItemAt(size_t pos) const
{
    auto it = std::lower_bound(m_vecItems.begin(), m_vecItems.end(), uint32_t(pos));
    return it != m_vecItems.end() && *it == pos ? int(it - m_vecItems.begin()) : -1;
}

// The selected rows are marked on the rows themselves, so that no lookup is
// needed to find them again, wherever they went.
CSndListCtrl::Marks CSndListCtrl::TakeMarks()
{
    Marks marks;
    if (!Handle())
        return marks;
    marks.vecSelected = SelectedItems();
    for (int item : marks.vecSelected)
        RowAt(item)->bPicked = true;
    marks.pFocus = RowAt(List().NextItem(-1, LVNI_FOCUSED));
    marks.pMark = RowAt(int(SendMessageA(Handle(), LVM_GETSELECTIONMARK, 0, 0)));
    marks.bAny = !marks.vecSelected.empty() || marks.pFocus || marks.pMark;
    return marks;
}

void CSndListCtrl::Commit(const Marks& marks)
{
    m_vecItems.clear();
    m_vecItems.reserve(m_vecRows.size());
    std::vector<int> selected;
    int focus = -1, mark = -1;
    for (size_t pos = 0; pos < m_vecRows.size(); ++pos) {
        ListRow* row = m_vecRows[pos];
        const bool picked = std::exchange(row->bPicked, false);
        if (row->bHidden)
            continue;
        const int item = int(m_vecItems.size());
        m_vecItems.push_back(uint32_t(pos));
        if (picked)
            selected.push_back(item);
        if (row == marks.pFocus)
            focus = item;
        if (row == marks.pMark)
            mark = item;
    }
    if (!Handle())
        return;
    SendMessageA(Handle(), LVM_SETITEMCOUNT, WPARAM(m_vecItems.size()), LVSICF_NOSCROLL);
    if (!marks.bAny)
        return;
    Reselect(marks.vecSelected, selected);
    const int focused = List().NextItem(-1, LVNI_FOCUSED);
    if (focus >= 0)
        List().SetItemState(focus, LVIS_FOCUSED, LVIS_FOCUSED);
    else if (focused >= 0)
        List().SetItemState(focused, 0, LVIS_FOCUSED);
    List().SetSelectionMark(mark);
}

// The list view still holds the selection by the old item numbers (those
// past the new count gone): only the difference is sent, so a selection of
// every row costs only the rows that moved.
void CSndListCtrl::Reselect(const std::vector<int>& before, const std::vector<int>& after)
{
    const int count = ItemCount();
    size_t b = 0, a = 0;
    while (b < before.size() || a < after.size()) {
        const int old = b < before.size() ? before[b] : INT32_MAX;
        const int now = a < after.size() ? after[a] : INT32_MAX;
        if (old == now) {
            ++a, ++b;
        } else if (old < now) {
            if (old < count)
                List().SetItemState(old, 0, LVIS_SELECTED);
            ++b;
        } else {
            List().SetItemState(now, LVIS_SELECTED, LVIS_SELECTED);
            ++a;
        }
    }
}

void CSndListCtrl::HoldCount(bool hold)
{
    m_bCountHeld = hold;
    if (!hold && Handle())
        SendMessageA(Handle(), LVM_SETITEMCOUNT, WPARAM(m_vecItems.size()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
}

void CSndListCtrl::PutRows(size_t pos, std::vector<ListRow*> rows)
{
    if (rows.empty())
        return;
    pos = std::min(pos, m_vecRows.size());
    if (pos == m_vecRows.size()) { // the end: no item moves
        for (ListRow* row : rows) {
            m_vecRows.push_back(row);
            if (!row->bHidden)
                m_vecItems.push_back(uint32_t(m_vecRows.size() - 1));
        }
        if (Handle() && !m_bCountHeld)
            SendMessageA(Handle(), LVM_SETITEMCOUNT, WPARAM(m_vecItems.size()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
        return;
    }
    Marks marks = TakeMarks();
    m_vecRows.insert(m_vecRows.begin() + std::ptrdiff_t(pos), rows.begin(), rows.end());
    Commit(marks);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void CSndListCtrl::DropRows(const std::function<bool(const ListRow&)>& drop)
{
    Marks marks = TakeMarks();
    size_t kept = 0;
    for (ListRow* row : m_vecRows) {
        if (!drop(*row)) {
            m_vecRows[kept++] = row;
            continue;
        }
        if (row == marks.pFocus)
            marks.pFocus = nullptr;
        if (row == marks.pMark)
            marks.pMark = nullptr;
        delete row;
    }
    if (kept == m_vecRows.size()) {
        for (int item : marks.vecSelected)
            RowAt(item)->bPicked = false;
        return;
    }
    m_vecRows.resize(kept);
    Commit(marks);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void CSndListCtrl::DropRange(size_t pos, size_t count)
{
    size_t at = 0; // the rows are offered in order
    DropRows([&](const ListRow&) {
        const size_t i = at++;
        return i >= pos && i - pos < count;
    });
}

std::vector<ListRow*> CSndListCtrl::TakeAllRows()
{
    std::vector<ListRow*> rows;
    rows.swap(m_vecRows);
    m_vecItems.clear();
    if (Handle())
        SendMessageA(Handle(), LVM_SETITEMCOUNT, 0, 0);
    for (ListRow* row : rows)
        row->bPicked = false;
    return rows;
}

void CSndListCtrl::DeleteAllRows()
{
    for (ListRow* row : TakeAllRows())
        delete row;
}

void CSndListCtrl::ShowRows()
{
    Commit(TakeMarks());
    InvalidateRect(Handle(), nullptr, TRUE);
}

void CSndListCtrl::RedrawItem(int item)
{
    if (Handle() && item >= 0)
        SendMessageA(Handle(), LVM_REDRAWITEMS, WPARAM(item), LPARAM(item));
}
