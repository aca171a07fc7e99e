// List rows made in place for the tests of the selection rules.
#pragma once
#include "listctrl/ListRow.h"

inline ListRow Row(int32_t indent, int32_t kind, const char* key, const char* text, ListRow* parent)
{
    ListRow row;
    row.nIndent = indent, row.nKind = kind, row.strKey = key, row.strText = text, row.pParent = parent;
    return row;
}
