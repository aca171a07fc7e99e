#include "DumpArchive.h"
#include "DiscSystem.h"
#include "DumpFolder.h"
#include "XmcdEntry.h"
#include <archive.h>
#include <archive_entry.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

// The archive's file, handed to the library in large pieces through the
// system seam (the native build's files are in memory).
struct CArchiveSource {
    discsys::CFileReader m_file;
    std::vector<char> m_vecBuffer = std::vector<char>(size_t(1) << 17);
    uint64_t m_nRead = 0;
};

namespace {

la_ssize_t ReadSource(struct archive* pArchive, void* pClient, const void** ppBuffer)
{
    auto* pSource = static_cast<CArchiveSource*>(pClient);
    const int64_t n = pSource->m_file.Read(pSource->m_vecBuffer.data(), pSource->m_vecBuffer.size());
    if (n < 0) {
        archive_set_error(pArchive, EIO, "the file cannot be read");
        return ARCHIVE_FATAL;
    }
    pSource->m_nRead += uint64_t(n);
    *ppBuffer = pSource->m_vecBuffer.data();
    return la_ssize_t(n);
}

std::wstring Decoded(const char* pText) { return pText ? DecodeXmcdText(pText, std::strlen(pText)) : std::wstring(); }

// The entry's file name and the folder directly above it, from its path in
// the archive ("./rock/0a0b0c0d", "dump/rock/0a0b0c0d" and "rock/0a0b0c0d"
// are all rock's 0a0b0c0d). False for a path that climbs out with "..",
// which no unpacking writes where it says.
bool SplitEntryPath(const std::wstring& path, std::wstring& strCategory, std::wstring& strName)
{
    std::vector<std::wstring> parts;
    for (size_t pos = 0; pos <= path.size();) {
        size_t end = path.find_first_of(L"/\\", pos);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring part = path.substr(pos, end - pos);
        if (part == L"..")
            return false;
        if (!part.empty() && part != L".")
            parts.push_back(std::move(part));
        pos = end + 1;
    }
    if (parts.empty())
        return false;
    strName = parts.back();
    strCategory = parts.size() >= 2 ? parts[parts.size() - 2] : std::wstring();
    return true;
}

} // namespace

CDumpArchive::CDumpArchive() = default;

CDumpArchive::~CDumpArchive()
{
    if (m_pArchive)
        archive_read_free(m_pArchive);
}

CDumpArchive::ENext CDumpArchive::Fail(const wchar_t* pWhat)
{
    const char* pReason = m_pArchive ? archive_error_string(m_pArchive) : nullptr;
    m_strError = pWhat;
    if (pReason)
        m_strError += L" (" + Decoded(pReason) + L")";
    return ENext::Failed;
}

bool CDumpArchive::Open(const std::wstring& strPath)
{
    m_pSource = std::make_unique<CArchiveSource>();
    if (!discsys::FileSize(strPath, m_nSize) || !m_pSource->m_file.Open(strPath)) {
        m_strError = L"the archive cannot be opened";
        return false;
    }
    // Tar in its forms (ustar, pax, GNU), bare or in bzip2 or xz; gzip would
    // need zlib, or else the library runs an outside program for it.
    m_pArchive = archive_read_new();
    if (!m_pArchive || archive_read_support_format_tar(m_pArchive) != ARCHIVE_OK ||
        archive_read_support_filter_bzip2(m_pArchive) != ARCHIVE_OK ||
        archive_read_support_filter_xz(m_pArchive) != ARCHIVE_OK) {
        m_strError = L"the archive reader cannot be set up";
        return false;
    }
    if (archive_read_open2(m_pArchive, m_pSource.get(), nullptr, ReadSource, nullptr, nullptr) != ARCHIVE_OK) {
        Fail(L"the file is no archive that can be read");
        return false;
    }
    return true;
}

CDumpArchive::ENext CDumpArchive::Next(CEntry& entry, bool bRead)
{
    if (!m_pArchive)
        return ENext::Failed;
    for (;;) {
        struct archive_entry* pEntry = nullptr;
        const int rc = archive_read_next_header(m_pArchive, &pEntry);
        if (rc == ARCHIVE_EOF)
            return ENext::End;
        // A header that fails its checksum (the library's RETRY) means lost
        // entries as surely as a truncation does.
        if (rc == ARCHIVE_FATAL || rc == ARCHIVE_RETRY)
            return Fail(rc == ARCHIVE_RETRY ? L"the archive is damaged" : L"the archive cannot be read through");
        if (archive_entry_filetype(pEntry) == AE_IFDIR)
            continue;
        const char* pPath = archive_entry_pathname_utf8(pEntry);
        if (!pPath)
            pPath = archive_entry_pathname(pEntry);
        if (!pPath || !SplitEntryPath(Decoded(pPath), entry.m_strCategory, entry.m_strName) ||
            !DiscIdFromName(entry.m_strName, entry.m_nId))
            continue;
        entry.m_pData = nullptr;
        entry.m_nSize = 0;
        // A link or device under a disc's name has no disc's bytes here; one
        // too large is not read. The next header passes over their bytes.
        if (archive_entry_filetype(pEntry) != AE_IFREG || archive_entry_hardlink(pEntry) ||
            (archive_entry_size_is_set(pEntry) && archive_entry_size(pEntry) > la_int64_t(kXmcdMaxFileSize)))
            return ENext::Disc;
        if (!bRead) {
            if (archive_read_data_skip(m_pArchive) == ARCHIVE_FATAL)
                return Fail(L"the archive cannot be read through");
            return ENext::Disc;
        }
        size_t nSize = 0;
        for (;;) {
            if (m_vecData.size() < nSize + 2)
                m_vecData.resize(std::min(std::max(m_vecData.size() * 2, size_t(1) << 16), kXmcdMaxFileSize + 2));
            const la_ssize_t n = archive_read_data(m_pArchive, m_vecData.data() + nSize, m_vecData.size() - 1 - nSize);
            if (n == ARCHIVE_FATAL)
                return Fail(L"the archive cannot be read through");
            if (n < 0)
                return ENext::Disc; // this entry's bytes only
            if (n == 0)
                break;
            nSize += size_t(n);
            if (nSize > kXmcdMaxFileSize)
                return ENext::Disc;
        }
        m_vecData[nSize] = 0;
        entry.m_pData = m_vecData.data();
        entry.m_nSize = nSize;
        return ENext::Disc;
    }
}

uint64_t CDumpArchive::BytesRead() const { return m_pSource ? m_pSource->m_nRead : 0; }

std::wstring CDumpArchive::Stamp(const std::wstring& strPath)
{
    uint64_t nSize;
    if (!discsys::FileSize(strPath, nSize))
        return std::wstring();
    return L"archive " + std::to_wstring(nSize) + L" " + discsys::LastWriteTime(strPath);
}

bool IsDumpArchive(const std::wstring& strSource)
{
    uint64_t nSize;
    return discsys::FileSize(strSource, nSize);
}

std::wstring DumpStamp(const std::wstring& strSource)
{
    return IsDumpArchive(strSource) ? CDumpArchive::Stamp(strSource) : CDumpFolder::Stamp(strSource);
}
