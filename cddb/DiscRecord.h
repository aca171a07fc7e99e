// One disc of the database as the component answers it: its id, texts and
// track titles (from track 1).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CDiscRecord {
    uint32_t m_nId = 0;
    std::wstring m_strArtist, m_strAlbum;
    std::wstring m_strGenre; // "(n)" or a name
    std::wstring m_strYear;
    std::vector<std::wstring> m_vecTracks;

    int32_t TrackCount() const { return int32_t(m_vecTracks.size()); }
    const std::wstring& TrackTitle(int32_t nTrack) const { return m_vecTracks[size_t(nTrack - 1)]; } // in range
};

using CDiscRecordPtr = std::shared_ptr<const CDiscRecord>;
