// CMusicInfo: everything the catalogue knows of one music file.
#pragma once
#include "Str.h"
#include "platform/PlatformCom.h"
#include "platform/PlatformText.h"
#include <cstdint>
#include <string>

class CArchive;
struct ICddbDisc;

// What the look-up found for a record, made aside on the worker's thread and
// put into the record on the window's thread (CMusicInfo::TakeTrack).
struct CTrackFound {
    std::string strAlbum, strArtist, strTitle;
    int32_t nGenre = 0;
};

class CMusicInfo {
public:
    CMusicInfo() = default;
    virtual ~CMusicInfo() = default;
    CMusicInfo(const CMusicInfo&) = default;
    CMusicInfo& operator=(const CMusicInfo&) = default;

    // Writes the record data to a storing archive, or reads it from a loading one.
    virtual void Serialize(CArchive& ar);

    // The track lookup (Windows only, on the lookup worker): asks the look-up
    // service for this file and gives album, artist, title and genre in found,
    // leaving the record as it is. 1 when found is filled in, a negative code
    // when the component failed, any other value when nothing was found.
    // code: the code of the record's texts and of the texts found.
    int32_t LookupTrack(CTrackFound& found, platform::TextCode code = platform::CODE_ANSI) const;
    // Puts what the look-up found into the record, which then counts as tagged.
    void TakeTrack(const CTrackFound& found);

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
    // The lookup's references, never saved: the component, lent by the view
    // for a look-up, and the look-up service, held until the record goes.
    IUnknown* m_pCddb = nullptr;
    CObjectRef<IUnknown> m_pLookupService;

private:
    // The title of the disc's first track whose title the path holds.
    int32_t FindTitleInPath(ICddbDisc* disc, std::string& title, platform::TextCode code) const;
};
