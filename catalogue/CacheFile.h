// The catalogue cache file: "SNDF", a version, then one archived CMusicInfo
// per catalogued file in file-index order. Both operations answer a result
// code (platform::FileCode). The path and the records are in the catalogue's
// text code.
#pragma once
#include "platform/PlatformText.h"
#include <cstdint>
#include <string>

class CCatalogue;

int32_t SaveFile(const CCatalogue& catalogue, const char* path);
int32_t LoadFile(CCatalogue& catalogue, const char* path);

// The file a save writes before it takes the cache file's place.
std::string CacheTempPath(const char* path, platform::TextCode code = platform::CODE_ANSI);
