// Where a database folder's (or archive's) index is kept and how a process
// comes by it: the index file named for the folder and its present contents,
// checked at open, built (or a stopped build resumed) when it is missing,
// unfinished or damaged. Old files of the folder go once a new one is complete.
#include "IndexFiles.h"
#include "DiscSystem.h"
#include "DumpArchive.h"
#include "IndexBuild.h"
#include "MemoryIndex.h"
#include "StoredIndex.h"
#include <map>
#include <mutex>

namespace {

uint64_t Hash(const std::wstring& text)
{
    uint64_t h = 14695981039346656037ull; // FNV-1a
    for (wchar_t c : text) {
        h ^= uint64_t(c) & 0xFFFF;
        h *= 1099511628211ull;
    }
    return h;
}

std::wstring Hex(uint64_t n, int nDigits)
{
    std::wstring text(size_t(nDigits), L'0');
    for (int i = nDigits - 1; i >= 0; --i, n >>= 4)
        text[size_t(i)] = L"0123456789abcdef"[n & 15];
    return text;
}

std::wstring FolderKey(const std::wstring& strFolder)
{
    std::wstring key = strFolder;
    while (key.size() > 1 && (key.back() == L'\\' || key.back() == L'/'))
        key.pop_back();
    if (!key.empty())
        discsys::ToLower(&key[0], key.size());
    return key;
}

const int kBusyMs = 30000;

std::wstring FilePrefix(const std::wstring& strFolder) { return L"index-" + Hex(Hash(FolderKey(strFolder)), 16) + L"-"; }

} // namespace

std::wstring IndexFilePath(const std::wstring& strFolder, const std::wstring& strStamp)
{
    const std::wstring dir = discsys::IndexFolder();
    return dir.empty() ? dir : dir + L"\\" + FilePrefix(strFolder) + Hex(Hash(strStamp), 8) + L".sqlite";
}

std::wstring IndexLockName(const std::wstring& strFolder) { return L"TarnwickCddbIndex-" + FilePrefix(strFolder); }

void RemoveOtherIndexFiles(const std::wstring& strFolder, const std::wstring& strPath)
{
    const std::wstring dir = discsys::IndexFolder(), prefix = FilePrefix(strFolder);
    std::vector<std::wstring> dirs, files;
    discsys::ListFolder(dir, dirs, files);
    for (const std::wstring& file : files)
        if (file.compare(0, prefix.size(), prefix) == 0 && dir + L"\\" + file != strPath)
            discsys::RemoveFile(dir + L"\\" + file);
}

namespace {

// What an archive that cannot be read through gives: no discs, as a missing
// folder does, kept for its stamp so that it is not read again until it changes.
class CUnreadableIndex : public CDiscIndex {
public:
    explicit CUnreadableIndex(const std::wstring& strStamp) { m_strStamp = strStamp; }
    CDiscRecordPtr Disc(uint32_t) const override { return nullptr; }

protected:
    void FindArtist(const std::wstring&, std::vector<uint32_t>&) const override {}
    void FindAlbum(const std::wstring&, std::vector<uint32_t>&) const override {}
};

// The folder's index file for these contents, ready; null when none can be
// kept. bRebuild when a query met damage in it, which the check at open may
// not see: the file is built afresh. A source that cannot be read through
// leaves no file and sets bUnreadable.
std::shared_ptr<const CDiscIndex> OpenIndexFile(const std::wstring& strFolder, const std::wstring& strStamp,
                                                bool bRebuild, bool& bUnreadable, bool bRetry = true)
{
    const std::wstring path = IndexFilePath(strFolder, strStamp);
    if (path.empty())
        return nullptr;
    discsys::CIndexLock lock(IndexLockName(strFolder));
    if (bRebuild)
        discsys::RemoveFile(path);
    auto db = std::make_unique<CSqlite>();
    if (db->Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, kBusyMs) != SQLITE_OK)
        return nullptr;
    if (!bRebuild)
        if (auto index = CStoredIndex::Adopt(db, strStamp))
            return index;
    std::wstring error;
    const EBuild result = BuildIndex(*db, strFolder, strStamp, bRebuild, nullptr, error);
    if (result == EBuild::Done) {
        if (auto index = CStoredIndex::Adopt(db, strStamp)) {
            RemoveOtherIndexFiles(strFolder, path);
            return index;
        }
    }
    db.reset();
    if (result == EBuild::Unreadable) {
        bUnreadable = true;
        discsys::RemoveFile(path);
        return nullptr;
    }
    // A file that cannot be read as an index goes, and is built once more.
    if (bRetry && discsys::RemoveFile(path))
        return OpenIndexFile(strFolder, strStamp, false, bUnreadable, false);
    return nullptr;
}

} // namespace

std::shared_ptr<const CDiscIndex> CDiscIndex::Open(const std::wstring& strFolder)
{
    static std::mutex lock;
    static std::map<std::wstring, std::weak_ptr<const CDiscIndex>> indexes;
    const std::wstring key = FolderKey(strFolder);
    const std::wstring stamp = DumpStamp(strFolder);
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<const CDiscIndex> index = indexes[key].lock();
    // Also an archive found unreadable, until it changes.
    if (index && !stamp.empty() && !index->Damaged() && index->Stamp() == stamp)
        return index;
    const bool bDamaged = index && index->Damaged() && index->Stamp() == stamp;
    index.reset();
    bool bUnreadable = false;
    if (!stamp.empty())
        index = OpenIndexFile(strFolder, stamp, bDamaged, bUnreadable);
    if (bUnreadable)
        index = std::make_shared<CUnreadableIndex>(stamp);
    // No index file can be kept, or the folder is missing (an empty index that says so).
    if (!index)
        index = CMemoryIndex::Build(strFolder);
    indexes[key] = index;
    return index;
}
