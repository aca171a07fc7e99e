#include "ListSorter.h"
#include "ListSort.h"
#include <commctrl.h>

namespace {

void SetItemData(HWND list, int item, LPARAM data)
{
    LVITEMA lv = {};
    lv.mask = LVIF_PARAM;
    lv.iItem = item;
    lv.lParam = data;
    SendMessageA(list, LVM_SETITEMA, 0, LPARAM(&lv));
}

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
    int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    m_pairs.resize(size_t(count > 0 ? count : 0));
    std::string text(1024, '\0');
    for (int i = 0; i < count; ++i) {
        LVITEMA lv = {};
        lv.iSubItem = column;
        // A text that fills the buffer may have been cut: read it again in a larger one.
        for (;;) {
            lv.pszText = &text[0];
            lv.cchTextMax = int(text.size());
            text[0] = '\0';
            size_t n = size_t(SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(i), LPARAM(&lv)));
            if (n + 1 < text.size())
                break;
            text.resize(text.size() * 2);
        }
        SortPair& pair = m_pairs[size_t(i)];
        pair.strText = text.c_str();
        lv.mask = LVIF_PARAM;
        lv.iItem = i;
        lv.iSubItem = 0;
        SendMessageA(list, LVM_GETITEMA, 0, LPARAM(&lv));
        pair.lOldData = lv.lParam;
        SetItemData(list, i, LPARAM(&pair));
    }
}

CListSorter::~CListSorter()
{
    int count = int(SendMessageA(m_hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = i;
        if (SendMessageA(m_hList, LVM_GETITEMA, 0, LPARAM(&lv)) && lv.lParam)
            SetItemData(m_hList, i, reinterpret_cast<const SortPair*>(lv.lParam)->lOldData);
    }
    SendMessageA(m_hList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_hList, nullptr, TRUE);
}

void CListSorter::Sort(intptr_t param) { SendMessageA(m_hList, LVM_SORTITEMS, WPARAM(param), LPARAM(ComparePairs)); }
