// ListRow: the record behind every item of the result lists.
#pragma once
#include "catalogue/MusicInfo.h"
#include "catalogue/Str.h"
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
    int32_t nImage = 0;   // the image the list shows beside the text
    bool bHidden = false; // held by the list but not shown (the quick filter)
    bool bPicked = false; // scratch: marks a selected row while the list's rows move
    // The texts are the catalogue's strings: a file row shares its record's
    // bytes rather than copying them.
    CStr strKey;  // a file's full path, a group name, "*UNKNFOLDER*" or "*NONEFOUND*"
    CStr strText; // what column 0 shows
    ListRow* pParent = nullptr;
    // A file row's record while it is catalogued (the catalogue says before
    // it frees one): its cells and the quick filter's texts. A row without
    // its record shows no cells.
    const CMusicInfo* pInfo = nullptr;

    // A list may hold a million rows: they are carved from blocks of their
    // own, with no heap header each (ListRow.cpp).
    static void* operator new(size_t size);
    static void operator delete(void* row) noexcept;
};

// What a row shows in a column other than the name: a file row its record's
// time and information (its path is its key), any group row a single blank
// in column 1.
inline const char* CellText(const ListRow& row, int column)
{
    if (row.nKind == RowFile) {
        if (column == 3)
            return row.pInfo ? row.strKey.c_str() : "";
        if (!row.pInfo)
            return "";
        return column == 1 ? row.pInfo->m_strTime.c_str() : column == 2 ? row.pInfo->m_strInfo.c_str() : "";
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
