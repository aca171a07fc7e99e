// The native build's disc folders: files held in memory under Windows-style
// paths ("C:\db\rock\0a0b0c0d"), filled by the fuzz targets. A file's folders
// exist with it; names keep their case and compare exactly.
#pragma once
#include <string>

namespace memfolders {

void Reset(); // no folders, no files
void PutFile(const std::wstring& strPath, std::string bytes);

} // namespace memfolders
