// The form in which names are compared: letters and digits only, lower case.
// File names cannot hold every character a title has ("AC/DC" is saved as
// "AC_DC" or "ACDC"), so punctuation and blanks never decide a match.
#pragma once
#include <cstdint>
#include <string>

std::wstring MatchKey(const wchar_t* pText, size_t nLength);
inline std::wstring MatchKey(const std::wstring& text) { return MatchKey(text.data(), text.size()); }

// A short fingerprint of a match key, never 0 for a key that is not empty (0
// stands for none): equal keys have equal fingerprints, so a fingerprint that
// differs rules a match out, and one that agrees is checked on the keys.
uint32_t MatchKeyHash(const std::wstring& key);
