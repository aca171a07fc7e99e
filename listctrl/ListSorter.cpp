#include "ListSorter.h"
#include "ListSort.h"
#include <algorithm>

CListSorter::CListSorter(std::vector<ListRow*>& rows, int column, platform::TextCode code)
    : m_rows(rows), m_pOrder(&platform::CCaseOrder::For(code))
{
    // The texts are copied side by side first: read where they lie, all over
    // the heap, at every comparison they would cost a wait for memory each.
    std::vector<size_t> at;
    at.reserve(rows.size());
    for (ListRow* row : rows) {
        at.push_back(m_strTexts.size());
        m_strTexts += column > 0 ? CellText(*row, column) : row->strText.c_str();
        m_strTexts += '\0';
    }
    m_pairs.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        m_pairs.push_back({rows[i], m_strTexts.c_str() + at[i]});
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
