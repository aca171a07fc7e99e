// Filing many records at once: rebuilding the groups after a filter change,
// and the records of a cache file. The groups come out exactly as filing the
// records one by one, in the same order, would leave them; they are built
// another way, because a record filed on its own costs a search through
// each of its three groups.
#include "Catalogue.h"
#include "Extensions.h"
#include <algorithm>
#include <unordered_set>

namespace {

// A record to file, with the first 32 bytes of its file name as their
// weights in the case order, one byte each and the end of the name
// included: two keys compare as the names do, unless both names run on
// beyond them.
struct CKeyedRecord {
    uint64_t nKey[4] = {};
    uint32_t nOrder = 0; // its place among the records filed
    bool bLong = false;
};

CKeyedRecord KeyOf(const platform::CCaseOrder& order, const char* text, uint32_t place)
{
    CKeyedRecord k;
    k.nOrder = place;
    if (order.ByRuntime()) {
        k.bLong = true; // every comparison is the runtime's
        return k;
    }
    const unsigned char* name = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    for (; i < sizeof k.nKey; ++i) {
        k.nKey[i / 8] |= uint64_t(order.Weight(name[i])) << (8 * (7 - i % 8));
        if (name[i] == 0)
            break;
    }
    k.bLong = i == sizeof k.nKey;
    return k;
}

} // namespace

// Every record finds its three groups in the given order, so that a new
// group is named as its first record spells it. Then all of them go into
// their groups in file-name order, those of one name in the given order:
// each group takes its records at its end (or, holding records from before,
// where they belong), and keeps of each name the first that came.
void CCatalogue::FileTogether(const std::vector<CMusicInfo*>& records, GenreNames& genres)
{
    struct Filed {
        CMusicInfo* pInfo;
        CGroup* pGroups[3];
        bool bEmpty[3]; // the group held nothing before
    };
    std::vector<Filed> filed;
    std::vector<CKeyedRecord> byName;
    filed.reserve(records.size());
    byName.reserve(records.size());
    const platform::CCaseOrder& order = Order();
    for (CMusicInfo* info : records) {
        const char* genre = UNKNOWN_GROUP;
        if (info->m_nGenre >= 1) {
            auto it = genres.find(info->m_nGenre);
            if (it == genres.end()) {
                it = genres.emplace(info->m_nGenre, std::make_pair(false, std::string())).first;
                it->second.first = m_genres.GenreName(info->m_nGenre, it->second.second);
            }
            if (it->second.first)
                genre = it->second.second.c_str();
        }
        const char* album = info->m_strAlbum.c_str();
        const char* artist = info->m_strArtist.c_str();
        byName.push_back(KeyOf(order, info->m_strFileName.c_str(), uint32_t(filed.size())));
        Filed f = {info,
                   {&GroupFor(ALBUMS, IsValidText(album) ? album : UNKNOWN_GROUP),
                    &GroupFor(ARTISTS, IsValidText(artist) ? artist : UNKNOWN_GROUP), &GroupFor(GENRES, genre)},
                   {}};
        for (int i = 0; i < 3; ++i) {
            // Nothing goes in before every record has found its groups.
            f.bEmpty[i] = f.pGroups[i]->empty();
            if (f.bEmpty[i])
                AddGroupRef(info); // taken back below where the group has the name already
        }
        filed.push_back(f);
    }

    auto compareNames = [&](const CKeyedRecord& a, const CKeyedRecord& b) {
        for (int i = 0; i < 4; ++i)
            if (a.nKey[i] != b.nKey[i])
                return a.nKey[i] < b.nKey[i] ? -1 : 1;
        if (!a.bLong)
            return 0;
        return order.Compare(filed[a.nOrder].pInfo->m_strFileName.c_str(),
                             filed[b.nOrder].pInfo->m_strFileName.c_str());
    };
    std::sort(byName.begin(), byName.end(), [&](const CKeyedRecord& a, const CKeyedRecord& b) {
        int c = compareNames(a, b);
        return c != 0 ? c < 0 : a.nOrder < b.nOrder;
    });

    std::unordered_set<CGroup*> taken;
    for (size_t first = 0, end; first < byName.size(); first = end) {
        for (end = first + 1; end < byName.size() && compareNames(byName[first], byName[end]) == 0; ++end) {
        }
        for (int which : {ALBUMS, ARTISTS, GENRES}) {
            taken.clear();
            for (size_t i = first; i < end; ++i) {
                const Filed& f = filed[byName[i].nOrder];
                CGroup* group = f.pGroups[which];
                bool firstOfName = end - first == 1 || taken.insert(group).second;
                if (f.bEmpty[which]) {
                    if (firstOfName)
                        group->AppendInOrder(f.pInfo);
                    else
                        DropGroupRef(f.pInfo); // the group has a record of this name already
                } else if (firstOfName && group->insert(f.pInfo).second) {
                    AddGroupRef(f.pInfo);
                }
            }
        }
    }
}

void CCatalogue::BeginBatch()
{
    FileWaiting();
    m_bBatch = true;
    m_bBatchAsRebuild = m_mapFiles.empty() && m_mapAlbums.empty() && m_mapArtists.empty() && m_mapGenres.empty();
}

void CCatalogue::FileBatch()
{
    std::vector<CMusicInfo*> waiting;
    waiting.swap(m_batch);
    GenreNames genres;
    FileTogether(waiting, genres);
    if (m_bBatchAsRebuild && !m_bBatch)
        NoteRebuilt(genres);
    m_bBatchAsRebuild = false;
}

// A rebuild gives the groups as they are when nothing changed them since
// the last one, the same records pass the filter, and every genre number
// has the name it had.
bool CCatalogue::GroupsAsRebuilt()
{
    if (!m_rebuilt.bValid || m_rebuilt.lMinLength != m_lMinLength || m_extensionShown.size() >= UINT16_MAX)
        return false;
    for (int i = 0; i < 3; ++i)
        if (m_indexes[i]->size() != m_rebuilt.nGroups[i])
            return false; // a view looked a name up and made a group of it
    for (const auto& ext : m_mapExtensions)
        if (MatchExtension(m_rebuilt.strHiddenExt.c_str(), ext.first.c_str(), m_code) !=
            MatchExtension(m_strHiddenExt.c_str(), ext.first.c_str(), m_code))
            return false;
    for (const auto& genre : m_rebuilt.genres) {
        std::string name;
        bool named = m_genres.GenreName(genre.first, name);
        if (named != genre.second.first || (named && name != genre.second.second))
            return false;
    }
    return true;
}

void CCatalogue::RebuildGroups()
{
    FileWaiting();
    if (GroupsAsRebuilt()) {
        m_rebuilt.strHiddenExt = m_strHiddenExt;
        return;
    }
    // What ClearCatalogue with CLEAR_GROUPS does, with the counts cleared
    // on the way through the records.
    EmptyGroups();
    std::vector<CMusicInfo*> shown;
    shown.reserve(m_mapFiles.size());
    for (auto& entry : m_mapFiles) {
        if (!entry.second)
            continue;
        entry.second->m_nGroupRefs = 0;
        if (Shown(*entry.second))
            shown.push_back(entry.second.get());
    }
    // Each genre number's name is read once for the whole rebuild.
    GenreNames genres;
    FileTogether(shown, genres);
    NoteRebuilt(genres);
}

void CCatalogue::NoteRebuilt(GenreNames& genres)
{
    m_rebuilt.bValid = true;
    m_rebuilt.strHiddenExt = m_strHiddenExt;
    m_rebuilt.lMinLength = m_lMinLength;
    for (int i = 0; i < 3; ++i)
        m_rebuilt.nGroups[i] = m_indexes[i]->size();
    m_rebuilt.genres.swap(genres);
}
