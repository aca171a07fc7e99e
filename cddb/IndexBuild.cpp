#include "IndexBuild.h"
#include "DiscIndex.h"
#include "DumpArchive.h"
#include "DumpFolder.h"
#include "MatchKey.h"
#include "StoredIndex.h"
#include <algorithm>
#include <cstdio>

namespace {

const size_t kBatch = 2000;

const char* const kSchema =
    "CREATE TABLE state(name TEXT PRIMARY KEY, value) WITHOUT ROWID;"
    "CREATE TABLE disc(n INTEGER PRIMARY KEY, id INTEGER NOT NULL, artist TEXT NOT NULL, album TEXT NOT NULL,"
    " genre TEXT NOT NULL, year TEXT NOT NULL, tracks TEXT NOT NULL, artistkey TEXT NOT NULL, titles BLOB NOT NULL);"
    "CREATE TABLE artist(key TEXT NOT NULL, disc INTEGER NOT NULL);"
    "CREATE TABLE album(key TEXT NOT NULL, disc INTEGER NOT NULL);";

// An archive's discs while it is read: one row a path, the later entry of a
// path met twice in its place; the texts as the disc table has them.
const char* const kStaging =
    "CREATE TABLE IF NOT EXISTS staged(category TEXT NOT NULL, name TEXT NOT NULL, damaged INTEGER NOT NULL,"
    " id INTEGER NOT NULL, artist TEXT NOT NULL, album TEXT NOT NULL, genre TEXT NOT NULL, year TEXT NOT NULL,"
    " tracks TEXT NOT NULL, UNIQUE(category, name))";

// A build under way: its statements and where it has got to.
class CBuild {
public:
    CBuild(CSqlite& db, std::wstring& strError) : m_db(db), m_strError(strError) {}

    bool Start(const std::wstring& strStamp, bool bFresh, CBuildProgress& progress);
    bool Add(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize);
    // Writes the position and commits the batch; begins the next one.
    bool Commit(size_t nCategory, const std::wstring& strAfter, bool bNext = true);
    bool Finish();

    // An archive's entries: staged, the count read so far committed with
    // each batch, then numbered in database order.
    bool StartStaging(size_t& nEntries);
    bool Stage(const CDumpArchive::CEntry& entry);
    bool CommitStaged(size_t nEntries);
    bool NumberStaged();

    size_t m_nDiscs = 0, m_nSkipped = 0, m_nInBatch = 0;
    size_t m_nCategory = 0;
    std::wstring m_strAfter;

private:
    bool Fail(const char* pWhat);
    template <class T>
    bool SetState(const char* pName, const T& value); // a text or an int64_t
    bool Insert(const CDiscRecord& record);

    CSqlite& m_db;
    std::wstring& m_strError;
    CStatement m_stDisc, m_stArtist, m_stAlbum, m_stState, m_stStage;
};

bool CBuild::Fail(const char* pWhat)
{
    const char* pReason = sqlite3_errmsg(m_db.Handle());
    m_strError = FromUtf8(pWhat) + L": " + FromUtf8(pReason);
    m_db.Exec("ROLLBACK");
    return false;
}

template <class T>
bool CBuild::SetState(const char* pName, const T& value)
{
    m_stState.Reset();
    m_stState.Bind(1, FromUtf8(pName));
    m_stState.Bind(2, value);
    return m_stState.Step() == SQLITE_DONE;
}

bool CBuild::Start(const std::wstring& strStamp, bool bFresh, CBuildProgress& progress)
{
    // Quick writes: a stopped process loses nothing committed, and a file
    // that a crash of the system damaged fails the check at open.
    m_db.Exec("PRAGMA synchronous = OFF");
    m_db.Exec("PRAGMA cache_size = -32768");
    bool bResume = false;
    if (!bFresh && m_db.Number("PRAGMA application_id", 0) == kIndexAppId &&
        m_db.Number("PRAGMA user_version", 0) == kIndexFormat) {
        CStatement state;
        if (state.Prepare(m_db, "SELECT (SELECT value FROM state WHERE name = 'stamp'),"
                                " (SELECT value FROM state WHERE name = 'complete'),"
                                " (SELECT value FROM state WHERE name = 'discs'),"
                                " (SELECT value FROM state WHERE name = 'skipped'),"
                                " (SELECT value FROM state WHERE name = 'category'),"
                                " (SELECT value FROM state WHERE name = 'after'),"
                                " (SELECT coalesce(max(n), -1) FROM disc)") &&
            state.Step() == SQLITE_ROW && state.Text(0) == strStamp && state.Int(1) == 0 &&
            state.Int(6) == state.Int(2) - 1) {
            bResume = true;
            m_nDiscs = size_t(state.Int(2));
            m_nSkipped = size_t(state.Int(3));
            m_nCategory = size_t(state.Int(4));
            m_strAfter = state.Text(5);
        }
    }
    if (!bResume) {
        // Whatever the file held goes: its tables and its marks.
        if (!m_db.Exec("DROP TABLE IF EXISTS state; DROP TABLE IF EXISTS disc; DROP TABLE IF EXISTS artist;"
                       " DROP TABLE IF EXISTS album; DROP TABLE IF EXISTS staged; VACUUM") ||
            !m_db.Exec(kSchema))
            return Fail("the index file cannot be written");
        char marks[96];
        std::snprintf(marks, sizeof marks, "PRAGMA application_id = %d; PRAGMA user_version = %d", kIndexAppId,
                      kIndexFormat);
        m_db.Exec(marks);
    }
    if (!m_stDisc.Prepare(m_db, "INSERT INTO disc VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)") ||
        !m_stArtist.Prepare(m_db, "INSERT INTO artist VALUES (?, ?)") ||
        !m_stAlbum.Prepare(m_db, "INSERT INTO album VALUES (?, ?)") ||
        !m_stState.Prepare(m_db, "INSERT OR REPLACE INTO state VALUES (?, ?)") || !m_db.Exec("BEGIN"))
        return Fail("the index file cannot be written");
    if (!bResume && (!SetState("stamp", strStamp) || !SetState("complete", int64_t(0))))
        return Fail("the index file cannot be written");
    progress.m_bResumed = bResume;
    return true;
}

bool CBuild::Add(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize)
{
    CDiscRecord record;
    if (!pData || !ReadDiscEntry(nId, strCategory, pData, nSize, record)) {
        ++m_nSkipped;
        return true;
    }
    if (!Insert(record))
        return false;
    ++m_nInBatch;
    return true;
}

// The next disc in database order, with its keys.
bool CBuild::Insert(const CDiscRecord& record)
{
    // The titles' fingerprints, two a track, little-endian.
    std::vector<unsigned char> titles;
    titles.reserve(record.m_vecTracks.size() * 8);
    for (const std::wstring& title : record.m_vecTracks) {
        uint32_t hashes[2];
        TitleHashes(title, hashes[0], hashes[1]);
        for (uint32_t h : hashes)
            for (int b = 0; b < 4; ++b)
                titles.push_back((unsigned char)(h >> (8 * b)));
    }
    const std::wstring artistKey = MatchKey(record.m_strArtist), albumKey = MatchKey(record.m_strAlbum);
    const int64_t n = int64_t(m_nDiscs);
    m_stDisc.Reset();
    m_stDisc.Bind(1, n);
    m_stDisc.Bind(2, int64_t(record.m_nId));
    m_stDisc.Bind(3, record.m_strArtist);
    m_stDisc.Bind(4, record.m_strAlbum);
    m_stDisc.Bind(5, record.m_strGenre);
    m_stDisc.Bind(6, record.m_strYear);
    m_stDisc.Bind(7, TrackLines(record.m_vecTracks));
    m_stDisc.Bind(8, artistKey);
    m_stDisc.Bind(9, titles.data(), titles.size());
    if (m_stDisc.Step() != SQLITE_DONE)
        return Fail("a disc cannot be written");
    for (CStatement* pKeys : {&m_stArtist, &m_stAlbum}) {
        const std::wstring& key = pKeys == &m_stArtist ? artistKey : albumKey;
        if (key.empty())
            continue;
        pKeys->Reset();
        pKeys->Bind(1, key);
        pKeys->Bind(2, n);
        if (pKeys->Step() != SQLITE_DONE)
            return Fail("a disc cannot be written");
    }
    ++m_nDiscs;
    return true;
}

bool CBuild::Commit(size_t nCategory, const std::wstring& strAfter, bool bNext)
{
    m_nCategory = nCategory;
    m_strAfter = strAfter;
    m_nInBatch = 0;
    if (!SetState("discs", int64_t(m_nDiscs)) || !SetState("skipped", int64_t(m_nSkipped)) ||
        !SetState("category", int64_t(nCategory)) || !SetState("after", strAfter) || !m_db.Exec("COMMIT"))
        return Fail("the index file cannot be written");
    return !bNext || m_db.Exec("BEGIN") || Fail("the index file cannot be written");
}

bool CBuild::StartStaging(size_t& nEntries)
{
    if (!m_db.Exec(kStaging) ||
        !m_stStage.Prepare(m_db, "INSERT OR REPLACE INTO staged VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        return Fail("the index file cannot be written");
    nEntries = size_t(m_db.Number("SELECT value FROM state WHERE name = 'entries'", 0));
    return true;
}

bool CBuild::Stage(const CDumpArchive::CEntry& entry)
{
    CDiscRecord record;
    const bool bDamaged =
        !entry.m_pData || !ReadDiscEntry(entry.m_nId, entry.m_strCategory, entry.m_pData, entry.m_nSize, record);
    m_stStage.Reset();
    m_stStage.Bind(1, entry.m_strCategory);
    m_stStage.Bind(2, entry.m_strName);
    m_stStage.Bind(3, int64_t(bDamaged));
    m_stStage.Bind(4, int64_t(entry.m_nId));
    m_stStage.Bind(5, record.m_strArtist);
    m_stStage.Bind(6, record.m_strAlbum);
    m_stStage.Bind(7, record.m_strGenre);
    m_stStage.Bind(8, record.m_strYear);
    m_stStage.Bind(9, TrackLines(record.m_vecTracks));
    if (m_stStage.Step() != SQLITE_DONE)
        return Fail("a disc cannot be written");
    ++m_nInBatch;
    return true;
}

bool CBuild::CommitStaged(size_t nEntries)
{
    m_nInBatch = 0;
    if (!SetState("entries", int64_t(nEntries)) || !m_db.Exec("COMMIT") || !m_db.Exec("BEGIN"))
        return Fail("the index file cannot be written");
    return true;
}

// Database order: the empty category first, then the others by name as a
// folder's are sorted (here: SQLite orders texts by code point, which UTF-16
// strings do not beyond U+FFFF); within one, the names, eight ASCII hex
// digits. The staging goes in the transaction that completes the index.
bool CBuild::NumberStaged()
{
    std::vector<std::wstring> categories;
    CStatement list, rows;
    if (!list.Prepare(m_db, "SELECT DISTINCT category FROM staged") ||
        !rows.Prepare(m_db, "SELECT damaged, id, artist, album, genre, year, tracks FROM staged"
                            " WHERE category = ? ORDER BY name"))
        return Fail("the staged discs cannot be read");
    int rc;
    while ((rc = list.Step()) == SQLITE_ROW)
        categories.push_back(list.Text(0));
    if (rc != SQLITE_DONE)
        return Fail("the staged discs cannot be read");
    std::sort(categories.begin(), categories.end());
    m_nDiscs = m_nSkipped = 0;
    for (const std::wstring& category : categories) {
        rows.Reset();
        rows.Bind(1, category);
        while ((rc = rows.Step()) == SQLITE_ROW) {
            if (rows.Int(0) != 0) {
                ++m_nSkipped;
                continue;
            }
            CDiscRecord record;
            record.m_nId = uint32_t(rows.Int(1));
            record.m_strArtist = rows.Text(2);
            record.m_strAlbum = rows.Text(3);
            record.m_strGenre = rows.Text(4);
            record.m_strYear = rows.Text(5);
            record.m_vecTracks = TitlesOfLines(rows.Text(6));
            if (!Insert(record))
                return false;
        }
        if (rc != SQLITE_DONE)
            return Fail("the staged discs cannot be read");
    }
    list.Reset();
    rows.Reset();
    if (!m_db.Exec("DROP TABLE staged") || !SetState("discs", int64_t(m_nDiscs)) ||
        !SetState("skipped", int64_t(m_nSkipped)))
        return Fail("the index file cannot be written");
    return true;
}

bool CBuild::Finish()
{
    if (!m_db.Exec("CREATE INDEX artist_key ON artist(key, disc); CREATE INDEX album_key ON album(key, disc)") ||
        !SetState("complete", int64_t(1)) || !m_db.Exec("COMMIT"))
        return Fail("the key indexes cannot be written");
    m_db.Exec("PRAGMA synchronous = NORMAL");
    return true;
}

using CProgress = std::function<bool(const CBuildProgress&)>;

EBuild BuildFromArchive(CSqlite& db, const std::wstring& strPath, const std::wstring& strStamp, bool bFresh,
                        const CProgress& progress, std::wstring& strError)
{
    CDumpArchive archive;
    if (!archive.Open(strPath)) {
        strError = archive.Error();
        return EBuild::Unreadable;
    }
    CBuildProgress report;
    report.m_bArchive = true;
    report.m_nBytes = archive.Size();
    CBuild build(db, strError);
    size_t nEntries = 0;
    if (!build.Start(strStamp, bFresh, report) || !build.StartStaging(nEntries))
        return EBuild::Failed;
    // Where it begins, before the first batch.
    report.m_nEntries = nEntries;
    if (progress && !progress(report)) {
        db.Exec("COMMIT");
        return EBuild::Stopped;
    }
    CDumpArchive::CEntry entry;
    CDumpArchive::ENext next = CDumpArchive::ENext::Disc;
    // What a stopped build staged: passed over, its bytes not read.
    for (size_t i = 0; i < nEntries && next == CDumpArchive::ENext::Disc; ++i)
        next = archive.Next(entry, false);
    if (next == CDumpArchive::ENext::End) {
        strError = L"the archive holds fewer discs than were read from it";
        next = CDumpArchive::ENext::Failed;
    }
    while (next == CDumpArchive::ENext::Disc && (next = archive.Next(entry)) == CDumpArchive::ENext::Disc) {
        if (!build.Stage(entry))
            return EBuild::Failed;
        ++nEntries;
        if (build.m_nInBatch < kBatch)
            continue;
        if (!build.CommitStaged(nEntries))
            return EBuild::Failed;
        report.m_nEntries = nEntries;
        report.m_nBytesRead = archive.BytesRead();
        if (progress && !progress(report)) {
            db.Exec("COMMIT");
            return EBuild::Stopped;
        }
    }
    if (next == CDumpArchive::ENext::Failed) {
        // Nothing of it becomes an index: the batch under way goes, and the
        // file stays incomplete for its caller to remove.
        db.Exec("ROLLBACK");
        if (strError.empty())
            strError = archive.Error();
        return EBuild::Unreadable;
    }
    if (!build.NumberStaged() || !build.Finish())
        return EBuild::Failed;
    report.m_nEntries = nEntries;
    report.m_nBytesRead = archive.BytesRead();
    report.m_nDiscs = build.m_nDiscs;
    report.m_nSkipped = build.m_nSkipped;
    if (progress)
        progress(report);
    // The staging's pages go back to the system.
    db.Exec("VACUUM");
    return EBuild::Done;
}

} // namespace

EBuild BuildIndex(CSqlite& db, const std::wstring& strFolder, const std::wstring& strStamp, bool bFresh,
                  const std::function<bool(const CBuildProgress&)>& progress, std::wstring& strError)
{
    if (IsDumpArchive(strFolder))
        return BuildFromArchive(db, strFolder, strStamp, bFresh, progress, strError);
    CDumpFolder dump;
    if (!dump.Open(strFolder)) {
        strError = L"the folder cannot be read";
        return EBuild::Unreadable;
    }
    CBuildProgress report;
    report.m_nCategories = dump.CategoryCount();
    CBuild build(db, strError);
    if (!build.Start(strStamp, bFresh, report))
        return EBuild::Failed;
    auto tell = [&](size_t nCategory) {
        report.m_nDiscs = build.m_nDiscs;
        report.m_nSkipped = build.m_nSkipped;
        report.m_nCategory = nCategory;
        report.m_strCategory = dump.CategoryName(nCategory);
        return !progress || progress(report);
    };
    // Where it begins, before the first batch.
    bool bFailed = false, bStopped = !tell(std::min(build.m_nCategory, dump.CategoryCount() - 1));
    for (size_t c = build.m_nCategory; c < dump.CategoryCount() && !bFailed && !bStopped; ++c) {
        const std::wstring after = c == build.m_nCategory ? build.m_strAfter : std::wstring();
        dump.Read(c, after, [&](const std::wstring& strName, uint32_t nId, const char* pData, size_t nSize) {
            if (!build.Add(nId, dump.CategoryName(c), pData, nSize)) {
                bFailed = true;
                return false;
            }
            if (build.m_nInBatch < kBatch)
                return true;
            if (!build.Commit(c, strName)) {
                bFailed = true;
                return false;
            }
            bStopped = !tell(c);
            return !bStopped;
        });
        if (bFailed || bStopped)
            break;
        // The category is done: the next one begins at its first file.
        if (!build.Commit(c + 1, std::wstring())) {
            bFailed = true;
            break;
        }
        bStopped = !tell(c) && c + 1 < dump.CategoryCount();
    }
    if (bFailed)
        return EBuild::Failed;
    if (bStopped) {
        db.Exec("COMMIT");
        return EBuild::Stopped;
    }
    return build.Finish() ? EBuild::Done : EBuild::Failed;
}
