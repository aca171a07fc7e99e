#include "ListSorter.h"
#include "ListSort.h"
#include <algorithm>

CListSorter::CListSorter(std::vector<ListRow*>& rows, int column, platform::TextCode code)
    : m_rows(rows), m_pOrder(&platform::CCaseOrder::For(code))
{
    m_pairs.reserve(rows.size());
    for (ListRow* row : rows)
        m_pairs.push_back({row, column > 0 ? CellText(*row, column) : row->strText.c_str()});
}

CListSorter::~CListSorter()
{
    for (size_t i = 0; i < m_pairs.size(); ++i)
        m_rows[i] = m_pairs[i].pRow;
}

void CListSorter::Sort(intptr_t param)
{
    const platform::CCaseOrder& order = *m_pOrder;
    std::stable_sort(m_pairs.begin(), m_pairs.end(), [&](const SortPair& a, const SortPair& b) {
        return CompareSortTexts(a.pszText, b.pszText, param, order) < 0;
    });
}
