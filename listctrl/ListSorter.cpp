#include "ListSorter.h"
#include "ListSort.h"
#include "ListView.h"
#include <commctrl.h>

namespace {

int CALLBACK ComparePairs(LPARAM a, LPARAM b, LPARAM param)
{
    return CompareSortTexts(reinterpret_cast<const SortPair*>(a)->strText.c_str(),
                            reinterpret_cast<const SortPair*>(b)->strText.c_str(), intptr_t(param));
}

} // namespace

// The list draws nothing while its items carry pairs: a list view would
// otherwise repaint every item as its data is swapped, twice.
CListSorter::CListSorter(HWND list, int column) : m_hList(list)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const CListView view(list);
    int count = view.ItemCount();
    m_pairs.resize(size_t(count > 0 ? count : 0));
    std::string text(1024, '\0');
    for (int i = 0; i < count; ++i) {
        SortPair& pair = m_pairs[size_t(i)];
        pair.strText = view.ItemText(i, column, text);
        pair.lOldData = view.ItemData(i);
        view.SetItemData(i, LPARAM(&pair));
    }
}

CListSorter::~CListSorter()
{
    const CListView view(m_hList);
    for (int i = 0, count = view.ItemCount(); i < count; ++i)
        if (LPARAM pair = view.ItemData(i))
            view.SetItemData(i, reinterpret_cast<const SortPair*>(pair)->lOldData);
    SendMessageA(m_hList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_hList, nullptr, TRUE);
}

void CListSorter::Sort(intptr_t param) { SendMessageA(m_hList, LVM_SORTITEMS, WPARAM(param), LPARAM(ComparePairs)); }
