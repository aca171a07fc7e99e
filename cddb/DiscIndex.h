// The index of a disc database: its discs in database order (see
// DumpFolder.h) and the discs of each artist and album, by match key. Built
// once from a dump and then only read, so any number of threads may use it.
// CMemoryIndex holds everything in memory; CStoredIndex reads an index file
// that a build left on disk. Both identify a file by the same code here.
#pragma once
#include "DiscRecord.h"
#include <cstdint>
#include <memory>
#include <string>
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

    virtual ~CDiscIndex() = default;

    // The process's index of a database folder or dump archive (a file; see
    // DumpArchive.h). The index file kept for its present contents is opened,
    // or built first (see IndexFiles.h); one is shared while anyone holds it.
    // A missing folder, or an archive that cannot be read through, gives an
    // empty index that says so.
    static std::shared_ptr<const CDiscIndex> Open(const std::wstring& strFolder);

    bool FolderFound() const { return m_bFolderFound; }
    size_t DiscCount() const { return m_nDiscs; }
    size_t SkippedCount() const { return m_nSkipped; }
    // What the index was made from; Open makes a new one when it changes.
    const std::wstring& Stamp() const { return m_strStamp; }
    // True once the index met damage: the next Open builds it again.
    virtual bool Damaged() const { return false; }

    // A disc's texts: null when nDisc is out of range or its record cannot be read.
    virtual CDiscRecordPtr Disc(uint32_t nDisc) const = 0;

    // Names a music file from its full path: the names of its nearest folders
    // against the discs' artists and albums, its file name (a leading track
    // number, the title text) against the tracks of those discs.
    void Identify(const wchar_t* pPath, size_t nLength, CMatch& match) const;

    // Candidates kept for one identification at most.
    static const size_t kMaxCandidates = 100;

protected:
    // The discs whose artist (album) has this match key, ascending; the key is not empty.
    virtual void FindArtist(const std::wstring& key, std::vector<uint32_t>& discs) const = 0;
    virtual void FindAlbum(const std::wstring& key, std::vector<uint32_t>& discs) const = 0;

    // The match key of a disc's artist.
    virtual std::wstring ArtistKey(uint32_t nDisc) const;
    // A track of the disc whose title is the file name's title text (restKey,
    // after a track number) or the whole file name (stemKey): the track of the
    // file's own number first. Read from the disc's texts.
    virtual bool TitleMatch(uint32_t nDisc, int32_t nNumber, const std::wstring& restKey, const std::wstring& stemKey,
                            int32_t& nTrack) const;

    bool m_bFolderFound = false;
    size_t m_nDiscs = 0;
    size_t m_nSkipped = 0;
    std::wstring m_strStamp;

private:
    struct CFileName {
        int32_t nNumber = 0;           // a leading track number, or 0
        std::wstring stemKey, restKey; // the name without its extension, and without the number
    };
    static CFileName ReadFileName(const std::wstring& file);
    std::vector<std::pair<int, uint32_t>> RankDiscs(const std::vector<std::wstring>& folders) const;
    bool NumberMatch(const std::vector<std::pair<int, uint32_t>>& ranked, int32_t nNumber, uint32_t& nDisc) const;
};

// A disc file's entry as the index keeps it: false for a damaged entry.
bool ReadDiscEntry(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize,
                   CDiscRecord& record);
// The fingerprints (MatchKeyHash) a track's title is matched by: its own, and
// on a sampler that of the title after "Artist / " (else 0).
void TitleHashes(const std::wstring& title, uint32_t& nTitle, uint32_t& nAfterArtist);
