// The form in which names are compared: letters and digits only, lower case.
// File names cannot hold every character a title has ("AC/DC" is saved as
// "AC_DC" or "ACDC"), so punctuation and blanks never decide a match.
#pragma once
#include <string>

std::wstring MatchKey(const wchar_t* pText, size_t nLength);
inline std::wstring MatchKey(const std::wstring& text) { return MatchKey(text.data(), text.size()); }
