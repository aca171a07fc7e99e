// ListRow: the record behind every item of the result lists.
#pragma once
#include <cstdint>
#include <string>

enum RowKind : int32_t {
    RowFolder = 0,
    RowGroup = 1,
    RowGroupOpen = 2,
    RowFile = 3,
    RowFolderOpen = 4,
    RowDrive = 5,
    RowDriveOpen = 6,
    RowUnknownOpen = 7,
    RowUnknown = 8,
    RowNoneFound = 9,
};

struct ListRow {
    int32_t nIndent = 0;
    int32_t nKind = RowFile;
    std::string strKey;  // a file's full path, a group name, "*UNKNFOLDER*" or "*NONEFOUND*"
    std::string strText; // what column 0 shows
    ListRow* pParent = nullptr;
};

inline ListRow* NewRow(int32_t indent, int32_t kind, const std::string& key, const std::string& text)
{
    ListRow* row = new ListRow;
    row->nIndent = indent;
    row->nKind = kind;
    row->strKey = key;
    row->strText = text;
    return row;
}
