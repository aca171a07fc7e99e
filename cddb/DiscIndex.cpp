#include "DiscIndex.h"
#include "Genres.h"
#include "MatchKey.h"
#include "XmcdEntry.h"
#include <algorithm>
#include <iterator>

namespace {

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

void Intersect(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int nRank,
               std::vector<std::pair<int, uint32_t>>& out)
{
    std::vector<uint32_t> both;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
    for (uint32_t d : both)
        out.emplace_back(nRank, d);
}

void AddAll(const std::vector<uint32_t>& a, int nRank, std::vector<std::pair<int, uint32_t>>& out)
{
    for (uint32_t d : a)
        out.emplace_back(nRank, d);
}

// How well a disc fits the folders: its album and its artist, its album only,
// its artist only.
const int kRankBoth = 3, kRankAlbum = 2, kRankArtist = 1;

} // namespace

bool ReadDiscEntry(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize,
                   CDiscRecord& record)
{
    CXmcdEntry entry;
    if (!ParseXmcd(pData, nSize, entry))
        return false;
    record.m_nId = nId;
    record.m_strArtist = std::move(entry.m_strArtist);
    record.m_strAlbum = std::move(entry.m_strAlbum);
    record.m_strGenre = GenreText(entry.m_strGenre, strCategory);
    record.m_strYear = std::move(entry.m_strYear);
    record.m_vecTracks = std::move(entry.m_vecTracks);
    return true;
}

void TitleHashes(const std::wstring& title, uint32_t& nTitle, uint32_t& nAfterArtist)
{
    nTitle = MatchKeyHash(MatchKey(title));
    const size_t slash = title.find(L" / ");
    nAfterArtist =
        slash == std::wstring::npos ? 0 : MatchKeyHash(MatchKey(title.data() + slash + 3, title.size() - slash - 3));
}

std::wstring CDiscIndex::ArtistKey(uint32_t nDisc) const
{
    const CDiscRecordPtr pDisc = Disc(nDisc);
    return pDisc ? MatchKey(pDisc->m_strArtist) : std::wstring();
}

// On a sampler a title reads "Artist / Title", and the title alone counts too.
bool CDiscIndex::TitleMatch(uint32_t nDisc, int32_t nNumber, const std::wstring& restKey, const std::wstring& stemKey,
                            int32_t& nTrack) const
{
    if (restKey.empty())
        return false;
    auto same = [&](std::wstring_view text) {
        std::wstring key = MatchKey(text.data(), text.size());
        return !key.empty() && (key == restKey || key == stemKey);
    };
    const CDiscRecordPtr pDisc = Disc(nDisc);
    if (!pDisc)
        return false;
    auto fits = [&](int32_t t) {
        std::wstring_view title = pDisc->TrackTitle(t);
        size_t slash = title.find(L" / ");
        return same(title) || (slash != std::wstring_view::npos && same(title.substr(slash + 3)));
    };
    const int32_t nCount = pDisc->TrackCount();
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
    // Each folder's artist and album discs, looked up once.
    const size_t n = folders.size();
    std::vector<std::vector<uint32_t>> artists(n), albums(n);
    auto find = [this](bool bArtist, const std::wstring& key, std::vector<uint32_t>& discs) {
        if (!key.empty())
            bArtist ? FindArtist(key, discs) : FindAlbum(key, discs);
    };
    for (size_t i = 0; i < n; ++i) {
        const std::wstring key = MatchKey(folders[i]);
        find(true, key, artists[i]);
        find(false, key, albums[i]);
    }
    // The order below is decided by the sorts alone, not by the order discs are added in.
    std::vector<std::pair<int, uint32_t>> ranked;
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j < n; ++j)
            Intersect(albums[i], artists[j], kRankBoth, ranked);
        // A folder named "Artist - Album".
        size_t dash = folders[i].find(L" - ");
        if (dash != std::wstring::npos) {
            std::vector<uint32_t> artist, album;
            find(true, MatchKey(folders[i].substr(0, dash)), artist);
            find(false, MatchKey(folders[i].substr(dash + 3)), album);
            Intersect(album, artist, kRankBoth, ranked);
        }
        if (i < 2) {
            AddAll(albums[i], kRankAlbum, ranked);
            AddAll(artists[i], kRankArtist, ranked);
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
        const std::wstring key = ArtistKey(r.second);
        if (artist.empty())
            artist = key;
        else if (key != artist)
            bOneArtist = false;
    }
    if (best != kRankBoth && !bOneArtist)
        return false;
    for (const auto& r : ranked) {
        if (r.first != best)
            break;
        const CDiscRecordPtr pDisc = Disc(r.second);
        if (pDisc && nNumber <= pDisc->TrackCount()) {
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
