#include "ListSort.h"
#include "platform/CaseOrder.h"

namespace {
// Right-aligned in ten characters, so m:ss and mm:ss times sort by value.
// Longer texts stay as they are.
const char* Pad(const char* text, char (&buf)[11])
{
    size_t n = 0;
    while (n < 10 && text[n])
        ++n;
    if (n == 10)
        return text;
    size_t blanks = 10 - n;
    for (size_t i = 0; i < blanks; ++i)
        buf[i] = ' ';
    for (size_t i = 0; i <= n; ++i)
        buf[blanks + i] = text[i];
    return buf;
}
} // namespace

int CompareSortTexts(const char* a, const char* b, intptr_t param, const platform::CCaseOrder& order)
{
    int sign = param >= 0 ? 1 : -1;
    intptr_t kind = param * sign;
    if (kind == SORT_TEXT)
        return order.Compare(a, b) * sign;
    if (kind == SORT_TIME) {
        char pa[11], pb[11];
        return order.Compare(Pad(a, pa), Pad(b, pb)) * sign;
    }
    return 0;
}

intptr_t SortMemory::Click(int32_t column)
{
    bAscending = column == nColumn ? !bAscending : false;
    nColumn = column;
    intptr_t kind = column == 1 ? SORT_TIME : SORT_TEXT;
    return bAscending ? kind : -kind;
}
