// Builds an index file from a dump folder: one transaction a batch of discs,
// the position reached written with each, so that a build stopped in any way
// goes on from its last batch when it is started again for the same contents.
// The key indexes are made last; only then is the file complete.
#pragma once
#include "Sqlite.h"
#include <functional>
#include <string>

struct CBuildProgress {
    size_t m_nDiscs = 0, m_nSkipped = 0;     // so far, a resumed build's earlier ones included
    size_t m_nCategory = 0, m_nCategories = 0; // the category being read, from 0
    std::wstring m_strCategory;
    bool m_bResumed = false; // the build went on from a stopped one
};

enum class EBuild { Done, Stopped, Failed };

// Builds into db (a file or ":memory:") the index of the folder's contents,
// which the stamp names; starts afresh when bFresh, or when the file holds
// anything but a stopped build for this stamp. progress is called at the
// start, after each batch and at the end of each category; returning false
// stops the build there. A failure leaves its reason in strError.
EBuild BuildIndex(CSqlite& db, const std::wstring& strFolder, const std::wstring& strStamp, bool bFresh,
                  const std::function<bool(const CBuildProgress&)>& progress, std::wstring& strError);
