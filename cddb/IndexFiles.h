// Where index files are kept: one per database folder and contents, in the
// user's local application data, named by the folder and by the stamp of its
// contents (see DumpFolder.h). CDiscIndex::Open and the import tool share it.
#pragma once
#include "DiscIndex.h"
#include <string>

// Empty when no index file can be kept.
std::wstring IndexFilePath(const std::wstring& strFolder, const std::wstring& strStamp);
// The lock (discsys::CIndexLock) held while the folder's index is checked or built.
std::wstring IndexLockName(const std::wstring& strFolder);
// The folder's files of other contents, where no process holds them.
void RemoveOtherIndexFiles(const std::wstring& strFolder, const std::wstring& strPath);
