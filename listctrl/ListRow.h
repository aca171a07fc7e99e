// ListRow: the record behind every item of the result lists.
#pragma once
#include "catalogue/Str.h"
#include <cstdint>
#include <string>

class CMusicInfo;

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
    // The texts are the catalogue's strings: a file row shares its record's
    // bytes (path, name, cells) rather than copying them.
    CStr strKey;  // a file's full path, a group name, "*UNKNFOLDER*" or "*NONEFOUND*"
    CStr strText; // what column 0 shows
    ListRow* pParent = nullptr;
    int32_t nImage = 0;   // the image the list shows beside the text
    bool bHidden = false; // held by the list but not shown (the quick filter)
    bool bPicked = false; // scratch: marks a selected row while the list's rows move
    // A file row's cells beyond the name, taken from its record as it was
    // inserted: the list asks for them when it shows them, so that an item
    // costs one insertion. Without a record a file row shows no cells.
    bool bCells = false;
    CStr strTime, strInfo;
    // A file row's record while it is catalogued (the catalogue says when it
    // goes); the quick filter reads it.
    const CMusicInfo* pInfo = nullptr;
};

// What a row shows in a column other than the name: a file row its cells
// (the path is its key), any group row a single blank in column 1.
inline const char* CellText(const ListRow& row, int column)
{
    if (row.nKind == RowFile) {
        if (!row.bCells)
            return "";
        return column == 1 ? row.strTime.c_str() : column == 2 ? row.strInfo.c_str() : column == 3 ? row.strKey.c_str() : "";
    }
    return row.nKind != RowNoneFound && column == 1 ? " " : "";
}

inline ListRow* NewRow(int32_t indent, int32_t kind, const CStr& key, const CStr& text)
{
    ListRow* row = new ListRow;
    row->nIndent = indent;
    row->nKind = kind;
    row->strKey = key;
    row->strText = text;
    return row;
}
