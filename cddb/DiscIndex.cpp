#include "DiscIndex.h"
#include "DiscSystem.h"
#include "Genres.h"
#include "MatchKey.h"
#include "XmcdEntry.h"
#include <algorithm>
#include <map>
#include <mutex>

namespace {

// The names in a folder, sorted, so that the index's order never depends on
// the file system.
bool ListFolder(const std::wstring& strFolder, std::vector<std::wstring>& dirs, std::vector<std::wstring>& files)
{
    if (!discsys::ListFolder(strFolder, dirs, files))
        return false;
    std::sort(dirs.begin(), dirs.end());
    std::sort(files.begin(), files.end());
    return true;
}

// A disc file's name is its id: exactly eight hexadecimal digits.
bool DiscIdFromName(const std::wstring& name, uint32_t& nId)
{
    if (name.size() != 8)
        return false;
    nId = 0;
    for (wchar_t c : name) {
        unsigned v;
        if (c >= L'0' && c <= L'9')
            v = unsigned(c - L'0');
        else if (c >= L'a' && c <= L'f')
            v = unsigned(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F')
            v = unsigned(c - L'A' + 10);
        else
            return false;
        nId = (nId << 4) | v;
    }
    return true;
}

// A path's parts: its nearest folders (the parent first) and its file name.
const size_t kFoldersUsed = 3;

void SplitPath(const wchar_t* p, size_t n, std::vector<std::wstring>& folders, std::wstring& file)
{
    size_t end = n;
    bool first = true;
    while (end > 0) {
        size_t begin = end;
        while (begin > 0 && p[begin - 1] != L'\\' && p[begin - 1] != L'/')
            --begin;
        std::wstring part(p + begin, end - begin);
        // A drive ("M:" or the "M:" of "M:tree") is no folder name.
        if (part.size() >= 2 && part[1] == L':')
            part.erase(0, 2);
        if (first)
            file = part;
        else if (!part.empty() && folders.size() < kFoldersUsed)
            folders.push_back(part);
        first = false;
        end = begin > 0 ? begin - 1 : 0;
    }
}

void Intersect(const std::vector<uint32_t>* a, const std::vector<uint32_t>* b, int nRank,
               std::vector<std::pair<int, uint32_t>>& out)
{
    if (!a || !b)
        return;
    std::vector<uint32_t> both;
    std::set_intersection(a->begin(), a->end(), b->begin(), b->end(), std::back_inserter(both));
    for (uint32_t d : both)
        out.emplace_back(nRank, d);
}

void AddAll(const std::vector<uint32_t>* a, int nRank, std::vector<std::pair<int, uint32_t>>& out)
{
    if (a)
        for (uint32_t d : *a)
            out.emplace_back(nRank, d);
}

// How well a disc fits the folders: its album and its artist, its album only,
// its artist only.
const int kRankBoth = 3, kRankAlbum = 2, kRankArtist = 1;

} // namespace

std::shared_ptr<const CDiscIndex> CDiscIndex::Build(const std::wstring& strFolder)
{
    auto index = std::make_shared<CDiscIndex>();
    std::wstring folder = strFolder;
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    if (folder.empty())
        return index; // no folder set: nothing to list
    std::vector<std::wstring> dirs, files;
    index->m_bFolderFound = ListFolder(folder, dirs, files);
    std::vector<char> buffer;
    index->ReadFiles(folder, files, std::wstring(), buffer);
    for (const std::wstring& dir : dirs) {
        std::vector<std::wstring> inner, discFiles;
        ListFolder(folder + L"\\" + dir, inner, discFiles);
        index->ReadFiles(folder + L"\\" + dir, discFiles, dir, buffer);
    }
    return index;
}

std::shared_ptr<const CDiscIndex> CDiscIndex::Open(const std::wstring& strFolder)
{
    static std::mutex lock;
    static std::map<std::wstring, std::weak_ptr<const CDiscIndex>> indexes;
    std::wstring key = strFolder;
    if (!key.empty())
        discsys::ToLower(&key[0], key.size());
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<const CDiscIndex> index = indexes[key].lock();
    if (!index || !index->FolderFound()) {
        index = Build(strFolder);
        indexes[key] = index;
    }
    return index;
}

void CDiscIndex::ReadFiles(const std::wstring& strFolder, const std::vector<std::wstring>& files,
                           const std::wstring& strCategory, std::vector<char>& buffer)
{
    for (const std::wstring& name : files) {
        uint32_t nId;
        if (!DiscIdFromName(name, nId))
            continue; // not a disc file
        size_t nSize = 0;
        if (discsys::ReadWholeFile(strFolder + L"\\" + name, kXmcdMaxFileSize, buffer, nSize))
            AddDisc(nId, strCategory, buffer.data(), nSize);
        else
            ++m_nSkipped;
    }
}

CDiscIndex::CTextRef CDiscIndex::Store(const std::wstring& text)
{
    CTextRef ref;
    ref.m_nOffset = uint32_t(m_strPool.size());
    ref.m_nLength = uint32_t(text.size());
    m_strPool += text;
    return ref;
}

void CDiscIndex::AddDisc(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize)
{
    CXmcdEntry entry;
    if (!ParseXmcd(pData, nSize, entry)) {
        ++m_nSkipped;
        return;
    }
    const uint32_t nDisc = uint32_t(m_vecDiscs.size());
    CDisc disc;
    disc.m_nId = nId;
    disc.m_artist = Store(entry.m_strArtist);
    disc.m_album = Store(entry.m_strAlbum);
    disc.m_genre = Store(GenreText(entry.m_strGenre, strCategory));
    disc.m_year = Store(entry.m_strYear);
    disc.m_nFirstTrack = uint32_t(m_vecTracks.size());
    disc.m_nTrackCount = uint32_t(entry.m_vecTracks.size());
    for (const std::wstring& title : entry.m_vecTracks)
        m_vecTracks.push_back(Store(title));
    m_vecDiscs.push_back(disc);
    std::wstring artistKey = MatchKey(entry.m_strArtist), albumKey = MatchKey(entry.m_strAlbum);
    if (!artistKey.empty())
        m_mapArtists[artistKey].push_back(nDisc);
    if (!albumKey.empty())
        m_mapAlbums[albumKey].push_back(nDisc);
}

std::wstring_view CDiscIndex::TrackTitle(uint32_t nDisc, int32_t nTrack) const
{
    return Text(m_vecTracks[m_vecDiscs[nDisc].m_nFirstTrack + uint32_t(nTrack - 1)]);
}

const std::vector<uint32_t>* CDiscIndex::Find(const CKeyMap& map, const std::wstring& key) const
{
    if (key.empty())
        return nullptr;
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

// A track whose title is the file name's title text (after the track number)
// or the whole file name; the track of the file's own number first. On a
// sampler a title reads "Artist / Title", and the title alone counts too.
bool CDiscIndex::TitleMatch(uint32_t nDisc, int32_t nNumber, const std::wstring& restKey, const std::wstring& stemKey,
                            int32_t& nTrack) const
{
    if (restKey.empty())
        return false;
    auto same = [&](std::wstring_view text) {
        std::wstring key = MatchKey(text.data(), text.size());
        return !key.empty() && (key == restKey || key == stemKey);
    };
    auto fits = [&](int32_t t) {
        std::wstring_view title = TrackTitle(nDisc, t);
        size_t slash = title.find(L" / ");
        return same(title) || (slash != std::wstring_view::npos && same(title.substr(slash + 3)));
    };
    const int32_t nCount = TrackCount(nDisc);
    if (nNumber >= 1 && nNumber <= nCount && fits(nNumber)) {
        nTrack = nNumber;
        return true;
    }
    for (int32_t t = 1; t <= nCount; ++t) {
        if (fits(t)) {
            nTrack = t;
            return true;
        }
    }
    return false;
}

// The file name: an optional leading track number of up to three digits,
// then the title text.
CDiscIndex::CFileName CDiscIndex::ReadFileName(const std::wstring& file)
{
    CFileName name;
    size_t dot = file.rfind(L'.');
    std::wstring stem = dot == std::wstring::npos || dot == 0 ? file : file.substr(0, dot);
    size_t digits = 0;
    while (digits < stem.size() && stem[digits] >= L'0' && stem[digits] <= L'9')
        ++digits;
    if (digits > 0 && digits <= 3)
        name.nNumber = int32_t(std::stol(stem.substr(0, digits)));
    name.stemKey = MatchKey(stem);
    name.restKey = name.nNumber > 0 ? MatchKey(stem.data() + digits, stem.size() - digits) : name.stemKey;
    return name;
}

// The discs the folders lead to, each once at its best rank: best rank first,
// then database order.
std::vector<std::pair<int, uint32_t>> CDiscIndex::RankDiscs(const std::vector<std::wstring>& folders) const
{
    std::vector<std::wstring> keys;
    for (const std::wstring& f : folders)
        keys.push_back(MatchKey(f));
    std::vector<std::pair<int, uint32_t>> ranked;
    for (size_t i = 0; i < folders.size(); ++i) {
        const std::vector<uint32_t>* albums = Find(m_mapAlbums, keys[i]);
        for (size_t j = i + 1; j < folders.size(); ++j)
            Intersect(albums, Find(m_mapArtists, keys[j]), kRankBoth, ranked);
        // A folder named "Artist - Album".
        size_t dash = folders[i].find(L" - ");
        if (dash != std::wstring::npos)
            Intersect(Find(m_mapArtists, MatchKey(folders[i].substr(0, dash))),
                      Find(m_mapAlbums, MatchKey(folders[i].substr(dash + 3))), kRankBoth, ranked);
        if (i < 2) {
            AddAll(albums, kRankAlbum, ranked);
            AddAll(Find(m_mapArtists, keys[i]), kRankArtist, ranked);
        }
    }
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second < b.second : a.first > b.first;
    });
    ranked.erase(std::unique(ranked.begin(), ranked.end(),
                             [](const auto& a, const auto& b) { return a.second == b.second; }),
                 ranked.end());
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    return ranked;
}

// The track number on the album of the best-ranked discs, when the folders
// leave no doubt whose album it is: the first such disc that has the track.
bool CDiscIndex::NumberMatch(const std::vector<std::pair<int, uint32_t>>& ranked, int32_t nNumber,
                             uint32_t& nDisc) const
{
    if (nNumber <= 0 || ranked.empty() || ranked.front().first < kRankAlbum)
        return false;
    const int best = ranked.front().first;
    std::wstring artist;
    bool bOneArtist = true;
    for (const auto& r : ranked) {
        if (r.first != best)
            break;
        std::wstring_view a = Artist(r.second);
        std::wstring key = MatchKey(a.data(), a.size());
        if (artist.empty())
            artist = key;
        else if (key != artist)
            bOneArtist = false;
    }
    if (best != kRankBoth && !bOneArtist)
        return false;
    for (const auto& r : ranked) {
        if (r.first == best && nNumber <= TrackCount(r.second)) {
            nDisc = r.second;
            return true;
        }
    }
    return false;
}

void CDiscIndex::Identify(const wchar_t* pPath, size_t nLength, CMatch& match) const
{
    match = CMatch();
    std::vector<std::wstring> folders;
    std::wstring file;
    SplitPath(pPath, nLength, folders, file);
    const CFileName name = ReadFileName(file);
    const std::vector<std::pair<int, uint32_t>> ranked = RankDiscs(folders);

    auto found = [&](uint32_t nDisc, int32_t nTrack) {
        match.m_nDisc = int(nDisc);
        match.m_nTrack = nTrack;
    };
    // The title on a disc of the album's folder; then the track number on the
    // album; then the title on one of the artist's discs.
    for (int rank : {kRankBoth, kRankAlbum, 0, kRankArtist}) {
        uint32_t nDisc;
        if (rank == 0 && NumberMatch(ranked, name.nNumber, nDisc))
            return found(nDisc, name.nNumber);
        for (const auto& r : ranked) {
            int32_t nTrack;
            if (rank != 0 && r.first == rank && TitleMatch(r.second, name.nNumber, name.restKey, name.stemKey, nTrack))
                return found(r.second, nTrack);
        }
    }
    for (size_t i = 0; i < ranked.size() && i < kMaxCandidates; ++i)
        match.m_vecCandidates.push_back(ranked[i].second);
}
