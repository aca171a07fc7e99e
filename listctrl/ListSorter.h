// CListSorter: one sort of a list's rows by one column. Each row is paired
// with the text of its cell in that column, read once before the sort, so the
// comparison never has to ask for a text; the sort is stable, as the list
// view's own is.
#pragma once
#include "ListRow.h"
#include "platform/CaseOrder.h"
#include <cstdint>
#include <string>
#include <vector>

struct SortPair {
    ListRow* pRow;
    const char* pszText; // the text of the row's cell, in the sorter's copy
};

class CListSorter {
public:
    // code: the code of the rows' texts.
    CListSorter(std::vector<ListRow*>& rows, int column, platform::TextCode code);
    ~CListSorter(); // puts the rows back in their new order
    CListSorter(const CListSorter&) = delete;
    CListSorter& operator=(const CListSorter&) = delete;

    void Sort(intptr_t param);

private:
    std::vector<ListRow*>& m_rows;
    std::string m_strTexts; // every cell's text and a zero, in row order
    std::vector<SortPair> m_pairs;
    const platform::CCaseOrder* m_pOrder;
};
