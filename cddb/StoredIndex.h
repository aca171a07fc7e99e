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
const int kIndexFormat = 1;

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

private:
    bool Prepare();
    void Find(CStatement& query, const std::wstring& key, std::vector<uint32_t>& discs) const;
    void Check(int rc) const; // marks the index damaged on an error

    std::unique_ptr<CSqlite> m_db;
    mutable std::mutex m_lock;
    mutable CStatement m_stDisc, m_stArtist, m_stAlbum;
    mutable std::atomic<bool> m_bDamaged{false};
    static const size_t kCacheSize = 8192;
    struct CCached {
        uint32_t m_nDisc = 0;
        CDiscRecordPtr m_pRecord;
    };
    mutable std::vector<CCached> m_vecCache; // by disc number modulo its size
};
