// Column sorting rules: the comparison kinds, the comparison of two cell
// texts, and the sort memory that every list of the module shares.
#pragma once
#include "platform/CaseOrder.h"
#include <cstdint>

enum SortKind : int32_t { SORT_TEXT = 2, SORT_TIME = 5 };

// The sort parameter's sign is the direction (negative: descending), its
// magnitude the kind. Unknown kinds compare equal. Texts compare in the
// order of their code.
int CompareSortTexts(const char* a, const char* b, intptr_t param,
                     const platform::CCaseOrder& order = platform::CCaseOrder::Process());

// The column and direction of the last click, kept once for the module.
struct SortMemory {
    int32_t nColumn = 0;
    bool bAscending = false;
    // A click on a column: the same column turns the direction round, a new
    // one starts descending. Answers the sort parameter for that click.
    intptr_t Click(int32_t column);
};
