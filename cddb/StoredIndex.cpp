#include "StoredIndex.h"
#include "MatchKey.h"

std::wstring TrackLines(const std::vector<std::wstring>& vecTitles)
{
    std::wstring lines;
    for (const std::wstring& title : vecTitles)
        lines += title + L'\n';
    return lines;
}

std::vector<std::wstring> TitlesOfLines(const std::wstring& lines)
{
    std::vector<std::wstring> titles;
    for (size_t pos = 0, end; (end = lines.find(L'\n', pos)) != std::wstring::npos; pos = end + 1)
        titles.push_back(lines.substr(pos, end - pos));
    return titles;
}

std::shared_ptr<CStoredIndex> CStoredIndex::Adopt(std::unique_ptr<CSqlite>& db, const std::wstring& strStamp)
{
    if (db->Number("PRAGMA application_id", 0) != kIndexAppId ||
        db->Number("PRAGMA user_version", 0) != kIndexFormat || !db->LengthMatches())
        return nullptr;
    CStatement state;
    if (!state.Prepare(*db, "SELECT (SELECT value FROM state WHERE name = 'complete'),"
                            " (SELECT value FROM state WHERE name = 'stamp'),"
                            " (SELECT value FROM state WHERE name = 'discs'),"
                            " (SELECT value FROM state WHERE name = 'skipped'),"
                            " (SELECT count(*) FROM sqlite_schema WHERE type = 'index' AND sql IS NOT NULL),"
                            " (SELECT coalesce(max(n), -1) FROM disc)") ||
        state.Step() != SQLITE_ROW)
        return nullptr;
    // Complete, for these contents, with both key indexes, and the last row
    // the one its count names.
    const int64_t nDiscs = state.Int(2);
    if (state.Int(0) != 1 || state.Text(1) != strStamp || nDiscs < 0 || state.Int(4) != 2 ||
        state.Int(5) != nDiscs - 1)
        return nullptr;
    auto index = std::shared_ptr<CStoredIndex>(new CStoredIndex());
    index->m_db = std::move(db);
    if (!index->Prepare()) {
        db = std::move(index->m_db);
        return nullptr;
    }
    index->m_bFolderFound = true;
    index->m_nDiscs = size_t(nDiscs);
    index->m_nSkipped = size_t(state.Int(3));
    index->m_strStamp = strStamp;
    // Little memory of its own while reading: the pages of the look-ups.
    // One read transaction for the index's life: the file's lock is taken
    // once, not at every query (each a call into the system), and its pages
    // stay valid in the cache. Other readers are not held up; the file is
    // never written again but to build it anew when damaged.
    index->m_db->Exec("PRAGMA cache_size = -2048");
    // Pages read straight from a mapping of the file, not copied by calls
    // into the system; a 32-bit process maps less of its address space.
    index->m_db->Exec(sizeof(void*) == 8 ? "PRAGMA mmap_size = 2147418112" : "PRAGMA mmap_size = 268435456");
    index->m_db->Exec("BEGIN");
    index->m_db->Number("SELECT count(*) FROM state");
    index->m_vecCache.resize(kCacheSize);
    index->m_vecKeysCache.resize(kKeysCacheSize);
    return index;
}

bool CStoredIndex::Prepare()
{
    return m_stDisc.Prepare(*m_db, "SELECT id, artist, album, genre, year, tracks FROM disc WHERE n = ?") &&
           m_stKeys.Prepare(*m_db, "SELECT artistkey, titles FROM disc WHERE n = ?") &&
           m_stArtist.Prepare(*m_db, "SELECT disc FROM artist WHERE key = ? ORDER BY disc") &&
           m_stAlbum.Prepare(*m_db, "SELECT disc FROM album WHERE key = ? ORDER BY disc");
}

void CStoredIndex::Check(int rc) const
{
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_OK)
        m_bDamaged = true;
}

bool CStoredIndex::Row(CStatement& query, uint32_t nDisc) const
{
    query.Reset();
    query.Bind(1, int64_t(nDisc));
    const int rc = query.Step();
    Check(rc);
    return rc == SQLITE_ROW;
}

CDiscRecordPtr CStoredIndex::Disc(uint32_t nDisc) const
{
    if (nDisc >= m_nDiscs)
        return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    CCached& cached = m_vecCache[nDisc % kCacheSize];
    if (cached.m_pRecord && cached.m_nDisc == nDisc)
        return cached.m_pRecord;
    if (!Row(m_stDisc, nDisc))
        return nullptr;
    auto record = std::make_shared<CDiscRecord>();
    record->m_nId = uint32_t(m_stDisc.Int(0));
    record->m_strArtist = m_stDisc.Text(1);
    record->m_strAlbum = m_stDisc.Text(2);
    record->m_strGenre = m_stDisc.Text(3);
    record->m_strYear = m_stDisc.Text(4);
    record->m_vecTracks = TitlesOfLines(m_stDisc.Text(5));
    cached.m_nDisc = nDisc;
    cached.m_pRecord = record;
    return record;
}

void CStoredIndex::Find(CStatement& query, const std::wstring& key, std::vector<uint32_t>& discs) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    query.Reset();
    query.Bind(1, key);
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW)
        discs.push_back(uint32_t(query.Int(0)));
    Check(rc);
}

void CStoredIndex::FindArtist(const std::wstring& key, std::vector<uint32_t>& discs) const
{
    Find(m_stArtist, key, discs);
}

void CStoredIndex::FindAlbum(const std::wstring& key, std::vector<uint32_t>& discs) const
{
    Find(m_stAlbum, key, discs);
}

const CStoredIndex::CDiscKeys* CStoredIndex::KeysLocked(uint32_t nDisc) const
{
    if (nDisc >= m_nDiscs)
        return nullptr;
    CDiscKeys& cached = m_vecKeysCache[nDisc % kKeysCacheSize];
    if (cached.m_nDisc == nDisc)
        return &cached;
    if (!Row(m_stKeys, nDisc))
        return nullptr;
    cached.m_nDisc = nDisc;
    cached.m_strArtistKey = m_stKeys.Text(0);
    size_t nSize = 0;
    const unsigned char* p = m_stKeys.Bytes(1, nSize);
    cached.m_vecTitles.resize(nSize / 4);
    for (size_t i = 0; i < nSize / 4; ++i)
        cached.m_vecTitles[i] = uint32_t(p[4 * i]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i + 2]) << 16 |
                                uint32_t(p[4 * i + 3]) << 24;
    return &cached;
}

std::wstring CStoredIndex::ArtistKey(uint32_t nDisc) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const CDiscKeys* pKeys = KeysLocked(nDisc);
    return pKeys ? pKeys->m_strArtistKey : std::wstring();
}

bool CStoredIndex::TitleMatch(uint32_t nDisc, int32_t nNumber, const std::wstring& restKey,
                              const std::wstring& stemKey, int32_t& nTrack) const
{
    if (restKey.empty())
        return false;
    const uint32_t nRest = MatchKeyHash(restKey), nStem = MatchKeyHash(stemKey);
    bool bAgrees = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const CDiscKeys* pKeys = KeysLocked(nDisc);
        for (size_t i = 0; pKeys && !bAgrees && i < pKeys->m_vecTitles.size(); ++i) {
            const uint32_t h = pKeys->m_vecTitles[i];
            bAgrees = h != 0 && (h == nRest || h == nStem);
        }
    }
    // The titles themselves decide.
    return bAgrees && CDiscIndex::TitleMatch(nDisc, nNumber, restKey, stemKey, nTrack);
}
