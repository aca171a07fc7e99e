// The catalogue cache file: "SNDF", a version, then one archived CMusicInfo
// per catalogued file in file-index order. Both operations answer a result
// code (platform::FileCode).
#pragma once
#include <cstdint>
#include <string>

class CCatalogue;

int32_t SaveFile(const CCatalogue& catalogue, const char* path);
int32_t LoadFile(CCatalogue& catalogue, const char* path);

// The file a save writes before it takes the cache file's place.
std::string CacheTempPath(const char* path);
