// CListSorter: for the length of one sort, every item of a list carries a
// SortPair (its row and the text of its cell in the sorted column) instead
// of its row, so the comparison never has to ask the list for a text.
#pragma once
#include "ListRow.h"
#include "platform/CaseOrder.h"
#include <windows.h>
#include <string>
#include <vector>

struct SortPair {
    LPARAM lOldData;
    std::string strText;
};

class CListSorter {
public:
    // code: the code of the list's texts, which it gives in UTF-16 in UTF-8.
    CListSorter(HWND list, int column, platform::TextCode code);
    ~CListSorter(); // puts every item's row back
    CListSorter(const CListSorter&) = delete;
    CListSorter& operator=(const CListSorter&) = delete;

    void Sort(intptr_t param);

private:
    HWND m_hList;
    std::vector<SortPair> m_pairs;
    const platform::CCaseOrder* m_pOrder;
};
