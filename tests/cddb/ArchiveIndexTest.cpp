// Dump archives as the source of the disc index, under Wine on real files.
// Archives that the archive library's writer makes from a generated dump
// (bzip2 and xz; entries shuffled out of database order, folder entries among
// them, a stale first copy of one disc, discs at the top, damaged and
// oversized ones) give the index of the same dump as a folder: the same discs
// under the same numbers, the same damaged count, the same answer for every
// path of a library. Damaged archives fail and leave no index behind.
#include "cddb/CddbSession.h"
#include "cddb/DumpArchive.h"
#include "cddb/IndexBuild.h"
#include "cddb/IndexFiles.h"
#include "cddb/MemoryIndex.h"
#include "cddb/StoredIndex.h"
#include "cddb/XmcdEntry.h"
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace {

// A path of the host system as Wine opens it, on drive Z:.
std::wstring HostPath(const char* pPath)
{
    std::wstring path = L"Z:";
    for (; *pPath; ++pPath)
        path += *pPath == '/' ? L'\\' : wchar_t(*pPath);
    return path;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// One entry of an archive to write: a file, a folder ("rock/") or a link.
struct CTarEntry {
    std::string m_strPath, m_strBytes;
    unsigned m_nType = AE_IFREG;
};

enum class EFilter { Bzip2, Xz };

void WriteArchive(const fs::path& file, EFilter filter, const std::vector<CTarEntry>& entries)
{
    struct archive* a = archive_write_new();
    ASSERT_EQ(archive_write_set_format_pax_restricted(a), ARCHIVE_OK);
    ASSERT_EQ(filter == EFilter::Bzip2 ? archive_write_add_filter_bzip2(a) : archive_write_add_filter_xz(a),
              ARCHIVE_OK);
    ASSERT_EQ(archive_write_open_filename_w(a, file.c_str()), ARCHIVE_OK) << archive_error_string(a);
    for (const CTarEntry& e : entries) {
        struct archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.m_strPath.c_str());
        archive_entry_set_filetype(entry, e.m_nType);
        archive_entry_set_perm(entry, e.m_nType == AE_IFDIR ? 0755 : 0644);
        if (e.m_nType == AE_IFLNK)
            archive_entry_set_symlink(entry, e.m_strBytes.c_str());
        archive_entry_set_size(entry, e.m_nType == AE_IFREG ? la_int64_t(e.m_strBytes.size()) : 0);
        ASSERT_EQ(archive_write_header(a, entry), ARCHIVE_OK) << archive_error_string(a);
        if (e.m_nType == AE_IFREG) {
            ASSERT_EQ(archive_write_data(a, e.m_strBytes.data(), e.m_strBytes.size()), la_ssize_t(e.m_strBytes.size()));
        }
        archive_entry_free(entry);
    }
    ASSERT_EQ(archive_write_close(a), ARCHIVE_OK);
    archive_write_free(a);
}

std::string Entry(const std::string& artistAlbum, const std::string& track)
{
    return "# xmcd\n#\n# Disc length: 2400 seconds\nDTITLE=" + artistAlbum + "\nDYEAR=1999\nTTITLE0=" + track + "\n";
}

// An index built into a file of its own; null unless the build got to done.
std::shared_ptr<CStoredIndex> BuildFile(const std::wstring& source, const fs::path& file, EBuild& result,
                                        const std::function<bool(const CBuildProgress&)>& progress = nullptr)
{
    auto db = std::make_unique<CSqlite>();
    std::wstring error;
    if (db->Open(file.wstring(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, 0) != SQLITE_OK)
        return nullptr;
    const std::wstring stamp = DumpStamp(source);
    result = BuildIndex(*db, source, stamp, false, progress, error);
    return CStoredIndex::Adopt(db, stamp);
}

void ExpectSameMatch(const CDiscIndex::CMatch& a, const CDiscIndex::CMatch& b, const std::wstring& path)
{
    EXPECT_EQ(a.m_nDisc, b.m_nDisc) << path;
    EXPECT_EQ(a.m_nTrack, b.m_nTrack) << path;
    EXPECT_EQ(a.m_vecCandidates, b.m_vecCandidates) << path;
}

// The dump as a folder with the cases a folder walk and an archive walk
// could disagree on, the same dump as archives, the library that names its
// discs, and the folder's own index as the measure.
class ArchiveIndex : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        s_work = fs::path(temp) / (L"twarchive-" + std::to_wstring(GetCurrentProcessId()));
        std::error_code ec;
        fs::remove_all(s_work, ec);
        s_db = s_work / L"db";
        fs::create_directories(s_work);
        fs::copy(HostPath(TW_DUMP_DIR "/db"), s_db, fs::copy_options::recursive);
        // Loose discs in the database folder itself, the first in database order.
        WriteBytes(s_db / L"0000abcd", Entry("Loose Artist / Loose Album", "Loose Track"));
        WriteBytes(s_db / L"README", "not a disc");
        WriteBytes(s_db / L"rock" / L"notes.txt", "not a disc either");
        // Damaged: no header; and one past the size limit.
        WriteBytes(s_db / L"rock" / L"0badf00d", "DTITLE=No / Header\n");
        std::string big = Entry("Big / Big", "Big");
        while (big.size() <= kXmcdMaxFileSize)
            big += "# " + std::string(70, 'x') + "\n";
        WriteBytes(s_db / L"misc" / L"0b16b16b", big);
        // A disc of rock again in a last category: which copy answers depends on the numbers.
        fs::path rockDisc;
        for (const auto& file : fs::directory_iterator(s_db / L"rock"))
            if (file.path().filename().wstring().size() == 8 && file.path().filename() != L"0badf00d")
                rockDisc = file.path();
        ASSERT_FALSE(rockDisc.empty());
        WriteBytes(s_db / L"zz-again" / rockDisc.filename(), ReadBytes(rockDisc));

        // The archive's entries: every file and folder, shuffled; first of all
        // a stale copy of that rock disc, which the later, real one replaces.
        std::vector<CTarEntry> entries;
        for (const auto& item : fs::recursive_directory_iterator(s_db)) {
            const std::string rel = fs::relative(item.path(), s_db).generic_string();
            if (item.is_directory())
                entries.push_back({rel + "/", "", AE_IFDIR});
            else
                entries.push_back({rel, ReadBytes(item.path())});
        }
        std::shuffle(entries.begin(), entries.end(), std::mt19937(20240611));
        entries.insert(entries.begin(), CTarEntry{"rock/" + rockDisc.filename().string(), Entry("Stale / Copy", "Old")});
        s_bz2 = s_work / L"dump.tar.bz2";
        s_xz = s_work / L"dump.tar.xz";
        WriteArchive(s_bz2, EFilter::Bzip2, entries);
        // As "tar -C db ." writes it.
        for (CTarEntry& e : entries)
            e.m_strPath = "./" + e.m_strPath;
        WriteArchive(s_xz, EFilter::Xz, entries);

        for (const auto& item : fs::recursive_directory_iterator(HostPath(TW_DUMP_DIR "/library")))
            if (item.is_regular_file())
                s_library.push_back(item.path().wstring());
        EBuild result;
        s_folder = BuildFile(s_db.wstring(), s_work / L"folder.sqlite", result);
    }

    static void TearDownTestSuite()
    {
        s_folder.reset();
        std::error_code ec;
        fs::remove_all(s_work, ec);
    }

    // The same discs under the same numbers and the same answers for the library.
    static void ExpectSameIndex(const CDiscIndex& index)
    {
        const CDiscIndex& folder = *s_folder;
        ASSERT_TRUE(index.FolderFound());
        ASSERT_EQ(index.DiscCount(), folder.DiscCount());
        EXPECT_EQ(index.SkippedCount(), folder.SkippedCount());
        for (uint32_t d = 0; d < folder.DiscCount(); ++d) {
            const CDiscRecordPtr a = folder.Disc(d), b = index.Disc(d);
            ASSERT_TRUE(a && b) << d;
            EXPECT_EQ(a->m_nId, b->m_nId) << d;
            EXPECT_EQ(a->m_strArtist, b->m_strArtist) << d;
            EXPECT_EQ(a->m_strAlbum, b->m_strAlbum) << d;
            EXPECT_EQ(a->m_strGenre, b->m_strGenre) << d;
            EXPECT_EQ(a->m_strYear, b->m_strYear) << d;
            EXPECT_EQ(a->m_vecTracks, b->m_vecTracks) << d;
        }
        size_t nDirect = 0;
        for (const std::wstring& path : s_library) {
            CDiscIndex::CMatch a, b;
            folder.Identify(path.data(), path.size(), a);
            index.Identify(path.data(), path.size(), b);
            ExpectSameMatch(a, b, path);
            nDirect += a.m_nDisc >= 0;
        }
        // The library names discs of the dump: most of its files match one.
        EXPECT_GT(nDirect, s_library.size() / 2);
    }

    static fs::path s_work, s_db, s_bz2, s_xz;
    static std::vector<std::wstring> s_library;
    static std::shared_ptr<CStoredIndex> s_folder;
};

fs::path ArchiveIndex::s_work, ArchiveIndex::s_db, ArchiveIndex::s_bz2, ArchiveIndex::s_xz;
std::vector<std::wstring> ArchiveIndex::s_library;
std::shared_ptr<CStoredIndex> ArchiveIndex::s_folder;

TEST_F(ArchiveIndex, EachArchiveGivesTheIndexOfItsFolder)
{
    ASSERT_TRUE(s_folder);
    // The cases are in play: the loose disc first, the two damaged ones counted.
    EXPECT_EQ(s_folder->Disc(0)->m_nId, 0x0000abcdu);
    EXPECT_GE(s_folder->SkippedCount(), 2u);
    for (const fs::path& archive : {s_bz2, s_xz}) {
        SCOPED_TRACE(archive.filename().string());
        EBuild result = EBuild::Failed;
        auto stored = BuildFile(archive.wstring(), s_work / (archive.filename().wstring() + L".sqlite"), result);
        ASSERT_EQ(result, EBuild::Done);
        ASSERT_TRUE(stored);
        ExpectSameIndex(*stored);
    }
    // The index held in memory, when no index file can be kept.
    ExpectSameIndex(*CMemoryIndex::Build(s_bz2.wstring()));
}

TEST_F(ArchiveIndex, AStoppedImportGoesOnFromWhatItStaged)
{
    EBuild result = EBuild::Failed;
    size_t nTotal = 0, nLast = 0;
    ASSERT_TRUE(BuildFile(s_xz.wstring(), s_work / L"whole.sqlite", result, [&](const CBuildProgress& p) {
        nTotal = p.m_nEntries;
        return true;
    }));
    // Stopped after its first batch.
    const fs::path file = s_work / L"stopped.sqlite";
    size_t nStoppedAt = 0;
    EXPECT_FALSE(BuildFile(s_xz.wstring(), file, result, [&](const CBuildProgress& p) {
        nStoppedAt = p.m_nEntries;
        return p.m_nEntries == 0;
    }));
    ASSERT_EQ(result, EBuild::Stopped);
    ASSERT_GT(nStoppedAt, 0u);
    ASSERT_LT(nStoppedAt, nTotal);
    // It begins where it stopped, and passes over what it staged rather than staging it again.
    bool bFirst = true, bResumed = false;
    size_t nBegins = 0;
    auto index = BuildFile(s_xz.wstring(), file, result, [&](const CBuildProgress& p) {
        if (bFirst) {
            bResumed = p.m_bResumed;
            nBegins = p.m_nEntries;
            bFirst = false;
        }
        nLast = p.m_nEntries;
        return true;
    });
    ASSERT_EQ(result, EBuild::Done);
    EXPECT_TRUE(bResumed);
    EXPECT_EQ(nBegins, nStoppedAt);
    EXPECT_EQ(nLast, nTotal);
    ASSERT_TRUE(index);
    ExpectSameIndex(*index);
}

// CddbImport.exe with its arguments; its exit code, and what it wrote to stderr.
DWORD RunImport(const std::wstring& args, std::string& strErrors)
{
    const fs::path log = fs::temp_directory_path() / (L"twimport-" + std::to_wstring(GetCurrentProcessId()) + L".txt");
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE hLog = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    HANDLE hNul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hNul;
    si.hStdError = hLog;
    std::wstring command = L"\"" + HostPath(TW_IMPORT_PATH) + L"\" " + args;
    PROCESS_INFORMATION pi = {};
    DWORD code = DWORD(-1);
    if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 300000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(hLog);
    CloseHandle(hNul);
    strErrors = ReadBytes(log);
    fs::remove(log);
    return code;
}

TEST_F(ArchiveIndex, DamagedArchivesFailAndLeaveNoIndex)
{
    const std::string bz2 = ReadBytes(s_bz2), xz = ReadBytes(s_xz);
    const std::vector<std::pair<const wchar_t*, std::string>> damaged = {
        {L"cut.tar.bz2", bz2.substr(0, bz2.size() * 3 / 5)},
        {L"cut.tar.xz", xz.substr(0, xz.size() * 3 / 5)},
        {L"disc.tar.bz2", Entry("Not / An Archive", "Text")},
        {L"empty.tar.xz", ""},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(fs::path(name).string());
        const fs::path path = s_work / name;
        WriteBytes(path, bytes);
        EBuild result = EBuild::Done;
        EXPECT_FALSE(BuildFile(path.wstring(), s_work / (std::wstring(name) + L".sqlite"), result));
        EXPECT_EQ(result, EBuild::Unreadable);
        auto memory = CMemoryIndex::Build(path.wstring());
        EXPECT_FALSE(memory->FolderFound());
        EXPECT_EQ(memory->DiscCount(), 0u);
        // The component: no discs, as for a missing database, and no file kept.
        auto index = CDiscIndex::Open(path.wstring());
        EXPECT_FALSE(index->FolderFound());
        EXPECT_EQ(index->DiscCount(), 0u);
        EXPECT_EQ(index, CDiscIndex::Open(path.wstring())); // not read again while it stays as it is
        EXPECT_FALSE(CCddbSession(path.wstring()).DatabaseReadable());
        const std::wstring indexFile = IndexFilePath(path.wstring(), DumpStamp(path.wstring()));
        EXPECT_FALSE(fs::exists(indexFile));
        std::string errors;
        EXPECT_EQ(RunImport(L"\"" + path.wstring() + L"\"", errors), 1u);
        EXPECT_NE(errors.find("CddbImport: "), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists(indexFile));
    }
}

TEST_F(ArchiveIndex, TheImportToolAndTheComponentTakeAnArchive)
{
    std::string errors;
    ASSERT_EQ(RunImport(L"\"" + s_bz2.wstring() + L"\"", errors), 0u) << errors;
    const std::wstring indexFile = IndexFilePath(s_bz2.wstring(), DumpStamp(s_bz2.wstring()));
    EXPECT_TRUE(fs::exists(indexFile));
    {
        // What the tool built is what the component opens, unchanged.
        const auto written = fs::last_write_time(indexFile);
        CCddbSession session(s_bz2.wstring());
        EXPECT_TRUE(session.DatabaseReadable());
        ExpectSameIndex(*session.Index());
        EXPECT_EQ(fs::last_write_time(indexFile), written);
    }
    fs::remove(indexFile);
}

// The reader alone: which entries are discs, of which category, with which bytes.
TEST(ArchiveEntries, AreDiscsByNameInTheFolderAboveThem)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path file = fs::path(temp) / (L"twentries-" + std::to_wstring(GetCurrentProcessId()) + L".tar.xz");
    const std::string disc = Entry("A / B", "C");
    WriteArchive(file, EFilter::Xz,
                 {{"0a000001", disc},
                  {"./0a000002", disc},
                  {"rock/", "", AE_IFDIR},
                  {"rock/0a000003", disc + "#3\n"},
                  {"./jazz/0a000004", disc},
                  {"dump/blues/0A00000F", disc},
                  {"rock/README", disc},
                  {"rock/0a00000", disc},
                  {"rock/0a0000033", disc},
                  {"rock/0a00000g", disc},
                  {"rock/../0a000007", disc},
                  {"rock/0a000008", "0a000003", AE_IFLNK},
                  {"rock/0a0000aa/", "", AE_IFDIR},
                  {"misc/0a000009", disc + std::string(kXmcdMaxFileSize, '#')},
                  {"misc/0a00000a", disc + std::string(kXmcdMaxFileSize - disc.size(), '#')}});
    struct CSeen {
        std::wstring m_strCategory, m_strName;
        uint32_t m_nId;
        std::string m_strBytes;
        bool m_bDamaged;
        bool operator==(const CSeen& o) const
        {
            return m_strCategory == o.m_strCategory && m_strName == o.m_strName && m_nId == o.m_nId &&
                   m_strBytes == o.m_strBytes && m_bDamaged == o.m_bDamaged;
        }
    };
    std::vector<CSeen> seen;
    {
        CDumpArchive archive;
        ASSERT_TRUE(archive.Open(file.wstring()));
        CDumpArchive::CEntry entry;
        CDumpArchive::ENext next;
        while ((next = archive.Next(entry)) == CDumpArchive::ENext::Disc)
            seen.push_back({entry.m_strCategory, entry.m_strName, entry.m_nId,
                            entry.m_pData ? std::string(entry.m_pData, entry.m_nSize) : std::string(),
                            !entry.m_pData});
        EXPECT_EQ(next, CDumpArchive::ENext::End);
        EXPECT_EQ(archive.BytesRead(), archive.Size());
    }
    const std::string exact = disc + std::string(kXmcdMaxFileSize - disc.size(), '#');
    const std::vector<CSeen> expected = {
        {L"", L"0a000001", 0x0a000001, disc, false},
        {L"", L"0a000002", 0x0a000002, disc, false},
        {L"rock", L"0a000003", 0x0a000003, disc + "#3\n", false},
        {L"jazz", L"0a000004", 0x0a000004, disc, false},
        {L"blues", L"0A00000F", 0x0a00000f, disc, false},
        {L"rock", L"0a000008", 0x0a000008, "", true}, // a link has no disc's bytes here
        {L"misc", L"0a000009", 0x0a000009, "", true}, // past the limit
        {L"misc", L"0a00000a", 0x0a00000a, exact, false}, // at it
    };
    for (size_t i = 0; i < seen.size() && i < expected.size(); ++i)
        EXPECT_TRUE(seen[i] == expected[i]) << i;
    EXPECT_EQ(seen.size(), expected.size());
    fs::remove(file);
}

} // namespace
