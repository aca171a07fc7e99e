// CMusicInfo: everything the catalogue knows of one music file.
#pragma once
#include "Str.h"
#include <cstdint>

class CArchive;

class CMusicInfo {
public:
    CMusicInfo() = default;
    virtual ~CMusicInfo() = default;
    CMusicInfo(const CMusicInfo&) = default;
    CMusicInfo& operator=(const CMusicInfo&) = default;

    // Writes the record data to a storing archive, or reads it from a loading one.
    virtual void Serialize(CArchive& ar);

    int32_t m_bTagged = 0;   // an MP3 whose tag gives title, album and artist
    int16_t m_nGroupRefs = 0; // how many group sets hold this record (never saved)
    uint16_t m_nExtension = 0xFFFF; // the catalogue's number for the path's extension (never saved)
    CStr m_strInfo;          // the host's information text
    CStr m_strTime;          // the host's playing-time text
    CStr m_strAlbum;
    CStr m_strArtist;
    CStr m_strPath;          // full path; the key of the file index
    CStr m_strFileName;      // the path after its last backslash
    CStr m_strTitle;
    int32_t m_lLength = 0;   // playing time in seconds, from the host
    int32_t m_nGenre = -1;   // 1..127 from the tag, -1 for none
    int32_t m_nFileType = 0; // 1 = MP3, 0 = anything else
};
