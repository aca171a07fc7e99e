#include "Sqlite.h"
#include "XmcdEntry.h"

int CSqlite::Open(const std::wstring& strPath, int nFlags, int nBusyMs)
{
    Close();
    int rc = sqlite3_open_v2(ToUtf8(strPath).c_str(), &m_pDb, nFlags, nullptr);
    if (rc != SQLITE_OK) {
        Close();
        return rc;
    }
    sqlite3_busy_timeout(m_pDb, nBusyMs);
    return SQLITE_OK;
}

void CSqlite::Close()
{
    sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
}

int64_t CSqlite::Number(const char* pSql, int64_t nDefault) const
{
    CStatement query;
    if (!query.Prepare(*this, pSql) || query.Step() != SQLITE_ROW)
        return nDefault;
    return query.Int(0);
}

bool CSqlite::LengthMatches() const
{
    const char* pName = sqlite3_db_filename(m_pDb, "main");
    if (!pName || !*pName)
        return true; // a database in memory has no file
    sqlite3_file* pFile = nullptr;
    if (sqlite3_file_control(m_pDb, "main", SQLITE_FCNTL_FILE_POINTER, &pFile) != SQLITE_OK || !pFile ||
        !pFile->pMethods)
        return false;
    sqlite3_int64 nLength = 0;
    if (pFile->pMethods->xFileSize(pFile, &nLength) != SQLITE_OK)
        return false;
    const int64_t nPages = Number("PRAGMA page_count"), nPageSize = Number("PRAGMA page_size");
    return nPages > 0 && nPageSize > 0 && nLength == nPages * nPageSize;
}

bool CStatement::Prepare(const CSqlite& db, const char* pSql)
{
    sqlite3_finalize(m_pStmt);
    m_pStmt = nullptr;
    return sqlite3_prepare_v3(db.Handle(), pSql, -1, SQLITE_PREPARE_PERSISTENT, &m_pStmt, nullptr) == SQLITE_OK;
}

void CStatement::Bind(int nParam, const std::wstring& text)
{
    const std::string utf8 = ToUtf8(text);
    sqlite3_bind_text(m_pStmt, nParam, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT);
}

std::wstring CStatement::Text(int nColumn) const
{
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, nColumn));
    return p ? FromUtf8(p, size_t(sqlite3_column_bytes(m_pStmt, nColumn))) : std::wstring();
}

std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = uint32_t(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && (uint32_t(text[i + 1]) & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((uint32_t(text[i + 1]) & 0xFFFF) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The index writes only valid UTF-8, which the entry reader decodes as such.
std::wstring FromUtf8(const char* pText, size_t nLength) { return DecodeXmcdText(pText, nLength); }
