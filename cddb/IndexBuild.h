// Builds an index file from a dump folder: one transaction a batch of discs,
// the position reached written with each, so that a build stopped in any way
// goes on from its last batch when it is started again for the same contents.
// The key indexes are made last; only then is the file complete.
//
// From a dump archive, whose entries come in no useful order, the discs are
// staged first, a batch a transaction, the count of entries read written with
// each (a resumed build reads the archive from its start again and passes
// over that many); once the archive is read through they are numbered in
// database order, so that the index is the one of the archive unpacked.
#pragma once
#include "Sqlite.h"
#include <functional>
#include <string>

struct CBuildProgress {
    size_t m_nDiscs = 0, m_nSkipped = 0;     // so far, a resumed build's earlier ones included
    size_t m_nCategory = 0, m_nCategories = 0; // the category being read, from 0
    std::wstring m_strCategory;
    bool m_bResumed = false; // the build went on from a stopped one
    // From an archive: its disc entries read so far (a resumed build's
    // included), and its bytes read of all. m_nDiscs and m_nSkipped stay 0
    // until the discs are numbered at the end.
    bool m_bArchive = false;
    size_t m_nEntries = 0;
    uint64_t m_nBytesRead = 0, m_nBytes = 0;
};

// Unreadable: the folder cannot be listed, or the archive cannot be opened or
// read through (not an archive, truncated, damaged); building again will not
// help until it changes. Failed: the index file cannot be written.
enum class EBuild { Done, Stopped, Failed, Unreadable };

// Builds into db (a file or ":memory:") the index of the folder's or the
// archive's contents (an archive when strFolder names a file), which the
// stamp names; starts afresh when bFresh, or when the file holds anything but
// a stopped build for this stamp. progress is called at the start, after each
// batch and at the end of each category; returning false stops the build
// there. A failure leaves its reason in strError.
EBuild BuildIndex(CSqlite& db, const std::wstring& strFolder, const std::wstring& strStamp, bool bFresh,
                  const std::function<bool(const CBuildProgress&)>& progress, std::wstring& strError);
