#include "ListSorter.h"
#include "ListSort.h"
#include "framework/ListView.h"
#include <commctrl.h>

namespace {

struct SortOrder {
    intptr_t param;
    const platform::CCaseOrder* pOrder;
};

int CALLBACK ComparePairs(LPARAM a, LPARAM b, LPARAM sort)
{
    const SortOrder& order = *reinterpret_cast<const SortOrder*>(sort);
    return CompareSortTexts(reinterpret_cast<const SortPair*>(a)->strText.c_str(),
                            reinterpret_cast<const SortPair*>(b)->strText.c_str(), order.param, *order.pOrder);
}

// A cell's text, read in UTF-16 and given in UTF-8.
std::string Utf8Text(HWND list, int item, int column)
{
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW lv = {};
        lv.iSubItem = column;
        lv.pszText = &buffer[0];
        lv.cchTextMax = int(buffer.size());
        size_t n = size_t(SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(item), LPARAM(&lv)));
        if (n + 1 < buffer.size())
            return platform::WideToUtf8(reinterpret_cast<const uint16_t*>(buffer.data()), n);
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

} // namespace

// The list draws nothing while its items carry pairs: a list view would
// otherwise repaint every item as its data is swapped, twice.
CListSorter::CListSorter(HWND list, int column, platform::TextCode code)
    : m_hList(list), m_pOrder(&platform::CCaseOrder::For(code))
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const CListView view(list);
    int count = view.ItemCount();
    m_pairs.resize(size_t(count > 0 ? count : 0));
    std::string text(1024, '\0');
    for (int i = 0; i < count; ++i) {
        SortPair& pair = m_pairs[size_t(i)];
        pair.strText = code == platform::CODE_UTF8 ? Utf8Text(list, i, column) : view.ItemText(i, column, text);
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

void CListSorter::Sort(intptr_t param)
{
    SortOrder order = {param, m_pOrder};
    SendMessageA(m_hList, LVM_SORTITEMS, WPARAM(&order), LPARAM(ComparePairs));
}
