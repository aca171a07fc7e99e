// The index of a disc database folder: category folders holding one xmcd file
// per disc, named by its 8-hex-digit disc id (files of that name directly in
// the folder count as well, without a category). Every disc file is read once,
// when the index is built; damaged ones are counted and left out. Afterwards
// the index does not change, so any number of threads may read it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CDiscIndex {
public:
    // What an identification found: a disc (from 0) and track (from 1) on a
    // direct match, else the candidate discs, best first.
    struct CMatch {
        int m_nDisc = -1;
        int32_t m_nTrack = 0;
        std::vector<uint32_t> m_vecCandidates;
    };

    // Reads a database folder. A folder that cannot be listed gives an empty
    // index that says so.
    static std::shared_ptr<const CDiscIndex> Build(const std::wstring& strFolder);
    // The process's index of a folder, built on first use and shared while
    // anyone holds it; one built while the folder was missing is built again.
    static std::shared_ptr<const CDiscIndex> Open(const std::wstring& strFolder);

    bool FolderFound() const { return m_bFolderFound; }
    size_t DiscCount() const { return m_vecDiscs.size(); }
    size_t SkippedCount() const { return m_nSkipped; }

    std::wstring_view Artist(uint32_t nDisc) const { return Text(m_vecDiscs[nDisc].m_artist); }
    std::wstring_view Album(uint32_t nDisc) const { return Text(m_vecDiscs[nDisc].m_album); }
    std::wstring_view Genre(uint32_t nDisc) const { return Text(m_vecDiscs[nDisc].m_genre); } // "(n)" or a name
    std::wstring_view Year(uint32_t nDisc) const { return Text(m_vecDiscs[nDisc].m_year); }
    uint32_t DiscId(uint32_t nDisc) const { return m_vecDiscs[nDisc].m_nId; }
    int32_t TrackCount(uint32_t nDisc) const { return int32_t(m_vecDiscs[nDisc].m_nTrackCount); }
    std::wstring_view TrackTitle(uint32_t nDisc, int32_t nTrack) const; // nTrack from 1, in range

    // Names a music file from its full path: the names of its nearest folders
    // against the discs' artists and albums, its file name (a leading track
    // number, the title text) against the tracks of those discs.
    void Identify(const wchar_t* pPath, size_t nLength, CMatch& match) const;

    // Candidates kept for one identification at most.
    static const size_t kMaxCandidates = 100;

private:
    struct CTextRef {
        uint32_t m_nOffset = 0;
        uint32_t m_nLength = 0;
    };
    struct CDisc {
        uint32_t m_nId = 0;
        CTextRef m_artist, m_album, m_genre, m_year;
        uint32_t m_nFirstTrack = 0;
        uint32_t m_nTrackCount = 0;
    };
    using CKeyMap = std::unordered_map<std::wstring, std::vector<uint32_t>>;

    CTextRef Store(const std::wstring& text);
    std::wstring_view Text(CTextRef ref) const
    {
        return std::wstring_view(m_strPool).substr(ref.m_nOffset, ref.m_nLength);
    }
    void ReadFiles(const std::wstring& strFolder, const std::vector<std::wstring>& files,
                   const std::wstring& strCategory, std::vector<char>& buffer);
    void AddDisc(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize);
    const std::vector<uint32_t>* Find(const CKeyMap& map, const std::wstring& key) const;
    struct CFileName {
        int32_t nNumber = 0;           // a leading track number, or 0
        std::wstring stemKey, restKey; // the name without its extension, and without the number
    };
    static CFileName ReadFileName(const std::wstring& file);
    std::vector<std::pair<int, uint32_t>> RankDiscs(const std::vector<std::wstring>& folders) const;
    bool NumberMatch(const std::vector<std::pair<int, uint32_t>>& ranked, int32_t nNumber, uint32_t& nDisc) const;
    bool TitleMatch(uint32_t nDisc, int32_t nNumber, const std::wstring& restKey, const std::wstring& stemKey,
                    int32_t& nTrack) const;

    std::wstring m_strPool;
    std::vector<CDisc> m_vecDiscs;
    std::vector<CTextRef> m_vecTracks;
    CKeyMap m_mapArtists; // match key -> discs, ascending
    CKeyMap m_mapAlbums;
    size_t m_nSkipped = 0;
    bool m_bFolderFound = false;
};
