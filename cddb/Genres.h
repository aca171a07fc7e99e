// The genre text a disc answers: "(n)" with the ID3v1 genre number when its
// genre names an ID3v1 genre, the name itself otherwise. A disc without a
// genre of its own takes its database category's name ("misc" counts as
// Other).
#pragma once
#include <string>

std::wstring GenreText(const std::wstring& strGenre, const std::wstring& strCategory);

// The ID3v1 number of a genre name (letters and digits compared, case
// ignored), -1 for a name that is not an ID3v1 genre.
int Id3v1GenreNumber(const std::wstring& strName);
