// Any bytes as a disc database. The text is cut into disc files at each line
// "# xmcd"; a file is named by the first id of its DISCID line (else by its
// number) and lies in the folder its "#@ name" line names (else in one of a
// few categories or in the database folder itself). The index built from the
// folder answers every look-up within its discs and tracks, and the same for
// the path in capitals and with forward slashes, and an index file built from
// the same folder answers exactly as the index in memory: the paths that "#? path"
// lines ask for, and for its first discs the paths a library names their
// tracks by, Artist\Album\NN Title.mp3, NN.mp3 and Title.mp3, which find a
// disc of that artist and album and a track of that title or number. The same
// files as a tar archive, in the reverse of database order and with a stale
// first copy of one of them, give an index file and a memory index with the
// folder's very discs, numbers and damaged count.
#include "cddb/DumpFolder.h"
#include "cddb/IndexBuild.h"
#include "cddb/MatchKey.h"
#include "cddb/MemoryIndex.h"
#include "cddb/StoredIndex.h"
#include "cddb/XmcdEntry.h"
#include "cddb/native/MemFolders.h"
#include <archive.h>
#include <archive_entry.h>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool ok, int nLine = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "%s:%d: check failed\n", __FILE__, nLine);
        std::abort();
    }
}

struct CFile {
    std::string m_strBytes;
    std::wstring m_strName, m_strFolder;
};

// The lines of a text, without their ends.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

// What follows the tag on each line that begins with it, up to one of the stops.
std::vector<std::wstring> Values(std::string_view text, std::string_view tag, const char* stops = "")
{
    std::vector<std::wstring> values;
    for (std::string_view line : Lines(text)) {
        if (line.substr(0, tag.size()) != tag)
            continue;
        line.remove_prefix(tag.size());
        line = line.substr(0, line.find_first_of(stops));
        values.push_back(DecodeXmcdText(line.data(), line.size()));
    }
    return values;
}

std::vector<CFile> Files(const std::string& text)
{
    std::vector<size_t> starts{0};
    for (size_t pos = text.find("\n# xmcd"); pos != std::string::npos; pos = text.find("\n# xmcd", pos + 1))
        starts.push_back(pos + 1);
    starts.push_back(text.size());
    static const wchar_t* const kCategories[] = {L"rock", L"misc", L"", L"soundtrack"};
    std::vector<CFile> files;
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        CFile file;
        file.m_strBytes = text.substr(starts[i], starts[i + 1] - starts[i]);
        if (file.m_strBytes.empty())
            continue;
        const std::vector<std::wstring> ids = Values(file.m_strBytes, "DISCID=", ", ");
        const std::vector<std::wstring> folders = Values(file.m_strBytes, "#@");
        if (!ids.empty()) {
            file.m_strName = ids.front();
        } else {
            wchar_t name[16];
            swprintf(name, 16, L"%08zx", i);
            file.m_strName = name;
        }
        file.m_strFolder = folders.empty() ? kCategories[i % 4] : folders.front();
        files.push_back(std::move(file));
    }
    return files;
}

// The index file's answers, beside those of the index in memory.
const CDiscIndex* g_pStored = nullptr;

bool SameMatch(const CDiscIndex::CMatch& a, const CDiscIndex::CMatch& b)
{
    return a.m_nDisc == b.m_nDisc && a.m_nTrack == b.m_nTrack && a.m_vecCandidates == b.m_vecCandidates;
}

void CheckMatch(const CDiscIndex& index, const CDiscIndex::CMatch& match)
{
    if (match.m_nDisc >= 0) {
        Check(size_t(match.m_nDisc) < index.DiscCount() && match.m_vecCandidates.empty());
        Check(match.m_nTrack >= 1 && match.m_nTrack <= index.Disc(uint32_t(match.m_nDisc))->TrackCount());
    } else {
        Check(match.m_nTrack == 0);
    }
    std::vector<uint32_t> discs = match.m_vecCandidates;
    Check(discs.size() <= CDiscIndex::kMaxCandidates);
    std::sort(discs.begin(), discs.end());
    Check(std::adjacent_find(discs.begin(), discs.end()) == discs.end());
    Check(discs.empty() || discs.back() < index.DiscCount());
}

// Names are compared by their letters and digits with case ignored, and either
// slash parts a path: the path in capitals with forward slashes has the same answer.
void Identify(const CDiscIndex& index, const std::wstring& path, CDiscIndex::CMatch& match)
{
    index.Identify(path.data(), path.size(), match);
    CheckMatch(index, match);
    std::wstring other = path;
    for (wchar_t& c : other)
        c = c == L'\\' ? L'/' : c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c;
    CDiscIndex::CMatch again;
    index.Identify(other.data(), other.size(), again);
    Check(SameMatch(again, match));
    g_pStored->Identify(path.data(), path.size(), again);
    Check(SameMatch(again, match));
}

std::wstring Key(std::wstring_view text) { return MatchKey(text.data(), text.size()); }

// A name that stands as one part of a path: no separator, no drive.
bool OnePart(std::wstring_view name)
{
    return !Key(name).empty() && name.find_first_of(L"\\/:") == std::wstring_view::npos;
}
// As a folder's name it must not read as "Artist - Album" either.
bool OneFolder(std::wstring_view name) { return OnePart(name) && name.find(L" - ") == std::wstring_view::npos; }

// The direct match of a library's path for a track of a disc: a disc of the
// same artist and album, and there the track of the number the file name
// begins with, or one whose title (or a sampler's title after the artist)
// reads as the file name does, with or without that number.
void CheckNamedTrack(const CDiscIndex& index, const CDiscRecord& disc, const std::wstring& file, int32_t nNumber,
                     const std::vector<std::wstring>& titleKeys)
{
    const std::wstring path = L"M:\\" + disc.m_strArtist + L"\\" + disc.m_strAlbum + L"\\" + file;
    CDiscIndex::CMatch match;
    Identify(index, path, match);
    Check(match.m_nDisc >= 0);
    const CDiscRecordPtr found = index.Disc(uint32_t(match.m_nDisc));
    Check(Key(found->m_strArtist) == Key(disc.m_strArtist) && Key(found->m_strAlbum) == Key(disc.m_strAlbum));
    if (titleKeys.empty()) {
        Check(match.m_nTrack == nNumber);
        return;
    }
    std::wstring_view title = found->TrackTitle(match.m_nTrack);
    size_t slash = title.find(L" / ");
    auto named = [&](std::wstring_view text) {
        return std::find(titleKeys.begin(), titleKeys.end(), Key(text)) != titleKeys.end();
    };
    Check(named(title) || (slash != std::wstring_view::npos && named(title.substr(slash + 3))));
}

// The dump folder's disc files as a tar archive in memory (path, bytes),
// written in the order given, by the library's own writer.
std::string TarOf(const std::vector<std::pair<std::string, std::string>>& entries)
{
    size_t nCapacity = 10240;
    for (const auto& e : entries)
        nCapacity += 2048 + e.first.size() + e.second.size() * 2;
    std::string tar(nCapacity, '\0');
    size_t nUsed = 0;
    struct archive* a = archive_write_new();
    Check(archive_write_set_format_pax_restricted(a) == ARCHIVE_OK && archive_write_add_filter_none(a) == ARCHIVE_OK &&
          archive_write_open_memory(a, &tar[0], tar.size(), &nUsed) == ARCHIVE_OK);
    for (const auto& e : entries) {
        struct archive_entry* entry = archive_entry_new();
        archive_entry_update_pathname_utf8(entry, e.first.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, la_int64_t(e.second.size()));
        Check(archive_write_header(a, entry) == ARCHIVE_OK &&
              archive_write_data(a, e.second.data(), e.second.size()) == la_ssize_t(e.second.size()));
        archive_entry_free(entry);
    }
    Check(archive_write_close(a) == ARCHIVE_OK);
    archive_write_free(a);
    tar.resize(nUsed);
    return tar;
}

// Two indexes hold the same discs under the same numbers.
void CheckSameDiscs(const CDiscIndex& a, const CDiscIndex& b)
{
    Check(a.FolderFound() && b.FolderFound() && a.DiscCount() == b.DiscCount() && a.SkippedCount() == b.SkippedCount());
    for (uint32_t d = 0; d < a.DiscCount(); ++d) {
        const CDiscRecordPtr x = a.Disc(d), y = b.Disc(d);
        Check(x && y && x->m_nId == y->m_nId && x->m_strArtist == y->m_strArtist && x->m_strAlbum == y->m_strAlbum &&
              x->m_strGenre == y->m_strGenre && x->m_strYear == y->m_strYear && x->m_vecTracks == y->m_vecTracks);
    }
}

void CheckArchive(const std::vector<CFile>& files, const CDiscIndex& folder)
{
    // The files as the folder holds them: a later one of a path in place of
    // the earlier. Only those that lie one folder deep at most, as in a dump;
    // none where the folders in memory are what no disk could hold (a folder
    // ".", or with a zero or a slash in its name, or a file and a folder of
    // one name).
    std::map<std::wstring, std::string> paths;
    uint32_t nId;
    for (const CFile& file : files) {
        if (file.m_strFolder == L"." || file.m_strFolder == L".." ||
            file.m_strFolder.find_first_of(std::wstring(L"/\0", 2)) != std::wstring::npos)
            return;
        for (const CFile& other : files)
            if (file.m_strFolder.empty() && other.m_strFolder == file.m_strName)
                return;
    }
    for (const CFile& file : files) {
        if (file.m_strFolder.find(L'\\') != std::wstring::npos || !DiscIdFromName(file.m_strName, nId))
            continue;
        paths[(file.m_strFolder.empty() ? L"" : file.m_strFolder + L"/") + file.m_strName] = file.m_strBytes;
    }
    std::vector<std::pair<std::string, std::string>> entries;
    if (!paths.empty())
        entries.emplace_back(ToUtf8(paths.begin()->first), "# xmcd\nDTITLE=Stale / Copy\nTTITLE0=Gone\n");
    entries.emplace_back("README", "not a disc");
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        entries.emplace_back(ToUtf8(it->first), it->second);
    memfolders::PutFile(L"C:\\dump.tar", TarOf(entries));

    auto db = std::make_unique<CSqlite>();
    std::wstring error;
    Check(db->Open(L":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, 0) == SQLITE_OK &&
          BuildIndex(*db, L"C:\\dump.tar", L"tar", false, nullptr, error) == EBuild::Done);
    std::shared_ptr<const CDiscIndex> stored = CStoredIndex::Adopt(db, L"tar");
    Check(stored != nullptr);
    CheckSameDiscs(folder, *stored);
    CheckSameDiscs(folder, *CMemoryIndex::Build(L"C:\\dump.tar"));
}

} // namespace

// The archive library converts names through the C library's character set,
// and its tar writer fails on names outside ASCII under the "C" locale.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setlocale(LC_CTYPE, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<CFile> files = Files(text);
    memfolders::Reset();
    memfolders::PutFile(L"C:\\db\\README", "not a disc"); // as dumps have it; the folder is there
    for (const CFile& file : files)
        memfolders::PutFile(L"C:\\db\\" + (file.m_strFolder.empty() ? L"" : file.m_strFolder + L"\\") + file.m_strName,
                            file.m_strBytes);
    std::shared_ptr<const CDiscIndex> index = CMemoryIndex::Build(L"C:\\db\\");
    Check(index->FolderFound() && index->DiscCount() + index->SkippedCount() <= files.size());
    auto db = std::make_unique<CSqlite>();
    std::wstring error;
    Check(db->Open(L":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, 0) == SQLITE_OK &&
          BuildIndex(*db, L"C:\\db", L"stamp", false, nullptr, error) == EBuild::Done);
    std::shared_ptr<const CDiscIndex> stored = CStoredIndex::Adopt(db, L"stamp");
    Check(stored && stored->DiscCount() == index->DiscCount() && stored->SkippedCount() == index->SkippedCount());
    g_pStored = stored.get();

    for (uint32_t d = 0; d < index->DiscCount(); ++d) {
        const CDiscRecord& disc = *index->Disc(d);
        const CDiscRecordPtr copy = stored->Disc(d);
        Check(copy && copy->m_nId == disc.m_nId && copy->m_strArtist == disc.m_strArtist &&
              copy->m_strAlbum == disc.m_strAlbum && copy->m_strGenre == disc.m_strGenre &&
              copy->m_strYear == disc.m_strYear && copy->m_vecTracks == disc.m_vecTracks);
        Check(!disc.m_strArtist.empty() && !disc.m_strAlbum.empty());
        Check(disc.TrackCount() >= 0 && disc.TrackCount() <= 1000);
        for (int32_t t = 1; t <= disc.TrackCount(); ++t)
            Check(disc.TrackTitle(t).size() <= size);
    }
    Check(!stored->Disc(uint32_t(index->DiscCount())));
    CheckArchive(files, *index);
    for (const std::wstring& query : Values(text, "#?")) {
        CDiscIndex::CMatch match;
        Identify(*index, query, match);
    }
    for (uint32_t d = 0; d < index->DiscCount() && d < 8; ++d) {
        const CDiscRecord& disc = *index->Disc(d);
        if (!OneFolder(disc.m_strArtist) || !OneFolder(disc.m_strAlbum))
            continue;
        for (int32_t t = 1; t <= disc.TrackCount() && t <= 4; ++t) {
            wchar_t number[8];
            swprintf(number, 8, L"%02d", int(t));
            CheckNamedTrack(*index, disc, number + std::wstring(L".mp3"), t, {});
            const std::wstring title(disc.TrackTitle(t)), key = Key(title);
            if (!OnePart(title))
                continue;
            CheckNamedTrack(*index, disc, number + (L" " + title) + L".mp3", t, {key, number + key});
            // Without a number; a title that begins with a digit would give one.
            if (title[0] < L'0' || title[0] > L'9')
                CheckNamedTrack(*index, disc, title + L".mp3", 0, {key});
        }
    }
    return 0;
}
