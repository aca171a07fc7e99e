#include "MemoryIndex.h"
#include "DumpArchive.h"
#include "DumpFolder.h"
#include "MatchKey.h"
#include <map>

namespace {

// A disc entry as the index keeps it; null when damaged.
std::shared_ptr<CDiscRecord> Record(uint32_t nId, const std::wstring& strCategory, const char* pData, size_t nSize)
{
    auto record = std::make_shared<CDiscRecord>();
    if (!pData || !ReadDiscEntry(nId, strCategory, pData, nSize, *record))
        return nullptr;
    return record;
}

} // namespace

void CMemoryIndex::Add(std::shared_ptr<CDiscRecord> record)
{
    if (!record) {
        ++m_nSkipped;
        return;
    }
    const uint32_t nDisc = uint32_t(m_vecDiscs.size());
    std::wstring artistKey = MatchKey(record->m_strArtist), albumKey = MatchKey(record->m_strAlbum);
    if (!artistKey.empty())
        m_mapArtists[artistKey].push_back(nDisc);
    if (!albumKey.empty())
        m_mapAlbums[albumKey].push_back(nDisc);
    m_vecDiscs.push_back(std::move(record));
}

std::shared_ptr<const CMemoryIndex> CMemoryIndex::Build(const std::wstring& strFolder)
{
    auto index = std::make_shared<CMemoryIndex>();
    index->m_strStamp = DumpStamp(strFolder);
    if (IsDumpArchive(strFolder)) {
        // Database order is category, then name (the empty category first),
        // as a map orders them; a path met twice keeps its later entry, as
        // unpacking leaves it. A damaged archive gives no discs at all.
        CDumpArchive archive;
        std::map<std::pair<std::wstring, std::wstring>, std::shared_ptr<CDiscRecord>> entries;
        CDumpArchive::CEntry entry;
        CDumpArchive::ENext next = archive.Open(strFolder) ? CDumpArchive::ENext::Disc : CDumpArchive::ENext::Failed;
        while (next == CDumpArchive::ENext::Disc && (next = archive.Next(entry)) == CDumpArchive::ENext::Disc)
            entries[{entry.m_strCategory, entry.m_strName}] =
                Record(entry.m_nId, entry.m_strCategory, entry.m_pData, entry.m_nSize);
        index->m_bFolderFound = next == CDumpArchive::ENext::End;
        if (index->m_bFolderFound)
            for (auto& it : entries)
                index->Add(std::move(it.second));
    } else {
        CDumpFolder dump;
        index->m_bFolderFound = dump.Open(strFolder);
        for (size_t c = 0; index->m_bFolderFound && c < dump.CategoryCount(); ++c) {
            dump.Read(c, std::wstring(), [&](const std::wstring&, uint32_t nId, const char* pData, size_t nSize) {
                index->Add(Record(nId, dump.CategoryName(c), pData, nSize));
                return true;
            });
        }
    }
    index->m_nDiscs = index->m_vecDiscs.size();
    return index;
}

CDiscRecordPtr CMemoryIndex::Disc(uint32_t nDisc) const
{
    return nDisc < m_vecDiscs.size() ? m_vecDiscs[nDisc] : nullptr;
}

void CMemoryIndex::Find(const CKeyMap& map, const std::wstring& key, std::vector<uint32_t>& discs)
{
    auto it = map.find(key);
    if (it != map.end())
        discs = it->second;
}

void CMemoryIndex::FindArtist(const std::wstring& key, std::vector<uint32_t>& discs) const
{
    Find(m_mapArtists, key, discs);
}

void CMemoryIndex::FindAlbum(const std::wstring& key, std::vector<uint32_t>& discs) const
{
    Find(m_mapAlbums, key, discs);
}
