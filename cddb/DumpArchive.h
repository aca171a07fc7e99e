// A dump as the archive it is published in: a tar file, plain or compressed
// with bzip2 or xz, holding the dump folder's disc files. Its entries come in
// the archive's own order, not in database order (see DumpFolder.h); an
// entry's category is the name of the folder directly above it, "" for a file
// at the top of the archive. Names that are not 8 hex digits are not discs.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct archive;
struct CArchiveSource;

class CDumpArchive {
public:
    CDumpArchive();
    ~CDumpArchive();
    CDumpArchive(const CDumpArchive&) = delete;
    CDumpArchive& operator=(const CDumpArchive&) = delete;

    // False when the file cannot be opened or is no archive of a kind read here.
    bool Open(const std::wstring& strPath);

    // One disc entry. m_pData is null for a damaged one: larger than the
    // xmcd size limit, not a plain file, or its bytes cannot be read.
    struct CEntry {
        std::wstring m_strCategory, m_strName;
        uint32_t m_nId = 0;
        const char* m_pData = nullptr;
        size_t m_nSize = 0;
    };
    enum class ENext { Disc, End, Failed };
    // The next disc entry, its bytes read only when bRead (else passed over).
    // Failed when the archive is damaged (truncated, say): what came before
    // it may be incomplete, so nothing of it may be taken for the dump.
    ENext Next(CEntry& entry, bool bRead = true);

    // What the archive's file has given so far, and its size, for progress.
    uint64_t BytesRead() const;
    uint64_t Size() const { return m_nSize; }
    // Why Open or Next failed.
    const std::wstring& Error() const { return m_strError; }

    // The archive's size and last-write time; empty when it names no file.
    static std::wstring Stamp(const std::wstring& strPath);

private:
    ENext Fail(const wchar_t* pWhat);

    struct archive* m_pArchive = nullptr;
    std::unique_ptr<CArchiveSource> m_pSource;
    uint64_t m_nSize = 0;
    std::vector<char> m_vecData;
    std::wstring m_strError;
};

// A dump source names an archive when it names a file, a folder otherwise.
bool IsDumpArchive(const std::wstring& strSource);
// The stamp of a dump folder's or archive's contents (CDumpFolder::Stamp,
// CDumpArchive::Stamp); empty when it cannot be read.
std::wstring DumpStamp(const std::wstring& strSource);
