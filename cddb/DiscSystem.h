// What the disc index needs of the system it runs on: the names in a folder,
// a disc file's bytes, and which characters are letters or digits in any
// alphabet, with their lower case. The Windows build asks the kernel and the
// system's character tables; the native build (the fuzz targets) keeps its
// folders in memory.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace discsys {

// The names in a folder, in the system's order: its folders (without "." and
// "..") and its files. False when the folder cannot be listed.
bool ListFolder(const std::wstring& strFolder, std::vector<std::wstring>& vecDirs,
                std::vector<std::wstring>& vecFiles);
// A whole file into buffer, which may stay larger for the next file; false
// when it cannot be read or holds more than nMaxSize bytes.
bool ReadWholeFile(const std::wstring& strPath, size_t nMaxSize, std::vector<char>& buffer, size_t& nSize);

bool IsLetterOrDigit(wchar_t c);
void ToLower(wchar_t* pText, size_t nLength); // in place

} // namespace discsys
