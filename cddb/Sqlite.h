// A connection to an SQLite database and its prepared statements, closed and
// finalized with their owners. Texts cross as UTF-16 in wchar_t units (the
// form the disc index keeps), stored as UTF-8.
#pragma once
#include <sqlite3.h>
#include <cstdint>
#include <string>

class CSqlite {
public:
    CSqlite() = default;
    ~CSqlite() { Close(); }
    CSqlite(const CSqlite&) = delete;
    CSqlite& operator=(const CSqlite&) = delete;

    // SQLITE_OK or the open's error; the connection waits up to nBusyMs for another's lock.
    int Open(const std::wstring& strPath, int nFlags, int nBusyMs);
    void Close();
    bool Exec(const char* pSql) { return sqlite3_exec(m_pDb, pSql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    sqlite3* Handle() const { return m_pDb; }
    // The first column of the first row of a query, or nDefault.
    int64_t Number(const char* pSql, int64_t nDefault = -1) const;
    // The file's length against the pages the database says it has.
    bool LengthMatches() const;

private:
    sqlite3* m_pDb = nullptr;
};

class CStatement {
public:
    CStatement() = default;
    ~CStatement() { sqlite3_finalize(m_pStmt); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool Prepare(const CSqlite& db, const char* pSql);
    // Ready for new values.
    void Reset()
    {
        sqlite3_reset(m_pStmt);
        sqlite3_clear_bindings(m_pStmt);
    }
    void Bind(int nParam, int64_t nValue) { sqlite3_bind_int64(m_pStmt, nParam, nValue); }
    void Bind(int nParam, const std::wstring& text);
    void Bind(int nParam, const void* pBytes, size_t nSize)
    {
        // An empty blob, not NULL, when there are no bytes.
        sqlite3_bind_blob(m_pStmt, nParam, nSize ? pBytes : "", int(nSize), SQLITE_TRANSIENT);
    }
    // SQLITE_ROW with a row, SQLITE_DONE at the end, or an error.
    int Step() { return sqlite3_step(m_pStmt); }
    int64_t Int(int nColumn) const { return sqlite3_column_int64(m_pStmt, nColumn); }
    std::wstring Text(int nColumn) const;
    const unsigned char* Bytes(int nColumn, size_t& nSize) const
    {
        const void* p = sqlite3_column_blob(m_pStmt, nColumn);
        nSize = size_t(sqlite3_column_bytes(m_pStmt, nColumn));
        return static_cast<const unsigned char*>(p);
    }

private:
    sqlite3_stmt* m_pStmt = nullptr;
};

// UTF-16 in wchar_t units to UTF-8 and back (unpaired surrogates become U+FFFD).
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const char* pText, size_t nLength);
inline std::wstring FromUtf8(const char* pText) { return FromUtf8(pText, std::char_traits<char>::length(pText)); }
