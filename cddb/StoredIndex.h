// A disc index read from its index file (built by IndexBuild.h): the discs'
// rows and the key tables are read as identifications need them, the last
// discs read are kept. Queries run one at a time on one connection.
#pragma once
#include "DiscIndex.h"
#include "Sqlite.h"
#include <atomic>
#include <mutex>

// The index file's marks: SQLite's application id ("TWCD") and our format.
const int kIndexAppId = 0x54574344;
const int kIndexFormat = 2;

// A disc's titles as the file keeps them: each ends in a line break, which no
// title holds (so no titles and one empty title differ).
std::wstring TrackLines(const std::vector<std::wstring>& vecTitles);
std::vector<std::wstring> TitlesOfLines(const std::wstring& lines);

class CStoredIndex : public CDiscIndex {
public:
    // The index on an open database when a build of it was completed from
    // contents with this stamp and it passes the check at open (its marks,
    // its length against its pages, its state, its last disc); else null.
    // It takes the connection only then.
    static std::shared_ptr<CStoredIndex> Adopt(std::unique_ptr<CSqlite>& db, const std::wstring& strStamp);

    CDiscRecordPtr Disc(uint32_t nDisc) const override;
    // A query met a damaged file (or could not read it).
    bool Damaged() const override { return m_bDamaged; }

protected:
    void FindArtist(const std::wstring& key, std::vector<uint32_t>& discs) const override;
    void FindAlbum(const std::wstring& key, std::vector<uint32_t>& discs) const override;
    // From the disc's keys, without its texts: a title is read only when its
    // fingerprint agrees with the file's.
    std::wstring ArtistKey(uint32_t nDisc) const override;
    bool TitleMatch(uint32_t nDisc, int32_t nNumber, const std::wstring& restKey, const std::wstring& stemKey,
                    int32_t& nTrack) const override;

private:
    // What identification reads of a disc: its artist's key and its titles' fingerprints.
    struct CDiscKeys {
        uint32_t m_nDisc = UINT32_MAX;
        std::wstring m_strArtistKey;
        std::vector<uint32_t> m_vecTitles; // two a track
    };
    const CDiscKeys* KeysLocked(uint32_t nDisc) const; // with m_lock held
    bool Prepare();
    void Find(CStatement& query, const std::wstring& key, std::vector<uint32_t>& discs) const;
    void Check(int rc) const; // marks the index damaged on an error
    bool Row(CStatement& query, uint32_t nDisc) const; // the disc's row of a query by number

    std::unique_ptr<CSqlite> m_db;
    mutable std::mutex m_lock;
    mutable CStatement m_stDisc, m_stKeys, m_stArtist, m_stAlbum;
    mutable std::atomic<bool> m_bDamaged{false};
    static const size_t kCacheSize = 8192;
    struct CCached {
        uint32_t m_nDisc = 0;
        CDiscRecordPtr m_pRecord;
    };
    mutable std::vector<CCached> m_vecCache; // by disc number modulo its size
    static const size_t kKeysCacheSize = 16384;
    mutable std::vector<CDiscKeys> m_vecKeysCache;
};
