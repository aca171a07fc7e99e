// Extension lists: "|MP3|WAV", each entry behind a vertical bar.
#pragma once
#include "platform/PlatformText.h"
#include <string>

// The texts are in the code given.

// The text after the last "." of the name, upper-cased; false when there is no dot.
bool GetExtension(const char* name, std::string& ext, platform::TextCode code = platform::CODE_ANSI);

// 1 when ext is an entry of the list (after upper-casing both), else 0; 0 for null arguments.
int MatchExtension(const char* list, const char* ext, platform::TextCode code = platform::CODE_ANSI);

// Whether the file name at the end of a path has an extension of the list.
bool MatchPathExtension(const std::string& path, const std::string& list, platform::TextCode code = platform::CODE_ANSI);
