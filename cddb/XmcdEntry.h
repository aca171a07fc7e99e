// One disc entry in the xmcd text format of public CD databases: "#" comment
// lines and KEY=value lines, a long value continued on further lines with the
// same key, "\n", "\t" and "\\" escapes in values.
#pragma once
#include <string>
#include <vector>

struct CXmcdEntry {
    std::wstring m_strArtist;
    std::wstring m_strAlbum;
    std::wstring m_strGenre; // DGENRE as written, possibly empty
    std::wstring m_strYear;
    std::vector<std::wstring> m_vecTracks; // TTITLE0, TTITLE1, ...
};

// The largest disc file read; real entries stay far below it.
const size_t kXmcdMaxFileSize = 1 << 20;

// Reads one disc file's bytes. False for a damaged entry: no "# xmcd" first
// line, a zero byte, a line that is neither comment nor KEY=value, a bad
// track number, or no disc title.
bool ParseXmcd(const char* pData, size_t nSize, CXmcdEntry& entry);

// UTF-8 when the bytes are valid UTF-8, else ISO-8859-1.
std::wstring DecodeXmcdText(const char* pData, size_t nSize);
