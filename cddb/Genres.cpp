#include "Genres.h"
#include "MatchKey.h"
#include <unordered_map>

namespace {

// The ID3v1 genres with the common extensions, numbered from 0.
const char* const kGenres[] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal",
    "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel",
    "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock",
    "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde",
    "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus",
    "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony",
    "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella", "Euro-House",
    "Dance Hall"};

// Other spellings met in databases, and the database categories.
const struct {
    const char* name;
    int number;
} kAliases[] = {{"Alternative Rock", 40}, {"Psychedelic", 67}, {"Rhythm and Blues", 14}, {"Gangsta Rap", 59},
                {"Rock and Roll", 78}, {"Rock n Roll", 78}, {"Humor", 100}, {"Acappella", 123},
                {"Misc", 12}};

std::wstring Widen(const char* s)
{
    std::wstring out;
    while (*s)
        out += wchar_t(static_cast<unsigned char>(*s++));
    return out;
}

const std::unordered_map<std::wstring, int>& Numbers()
{
    static const std::unordered_map<std::wstring, int> numbers = [] {
        std::unordered_map<std::wstring, int> m;
        for (int i = 0; i < int(sizeof kGenres / sizeof kGenres[0]); ++i)
            m.emplace(MatchKey(Widen(kGenres[i])), i);
        for (const auto& a : kAliases)
            m.emplace(MatchKey(Widen(a.name)), a.number);
        return m;
    }();
    return numbers;
}

} // namespace

int Id3v1GenreNumber(const std::wstring& strName)
{
    std::wstring key = MatchKey(strName);
    if (key.empty())
        return -1;
    auto it = Numbers().find(key);
    return it == Numbers().end() ? -1 : it->second;
}

std::wstring GenreText(const std::wstring& strGenre, const std::wstring& strCategory)
{
    const std::wstring& name = strGenre.empty() ? strCategory : strGenre;
    int n = Id3v1GenreNumber(name);
    if (n < 0)
        return name;
    return L"(" + std::to_wstring(n) + L")";
}
