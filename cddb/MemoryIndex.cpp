#include "MemoryIndex.h"
#include "DumpFolder.h"
#include "MatchKey.h"

std::shared_ptr<const CMemoryIndex> CMemoryIndex::Build(const std::wstring& strFolder)
{
    auto index = std::make_shared<CMemoryIndex>();
    CDumpFolder dump;
    index->m_bFolderFound = dump.Open(strFolder);
    index->m_strStamp = CDumpFolder::Stamp(strFolder);
    for (size_t c = 0; index->m_bFolderFound && c < dump.CategoryCount(); ++c) {
        dump.Read(c, std::wstring(), [&](const std::wstring&, uint32_t nId, const char* pData, size_t nSize) {
            auto record = std::make_shared<CDiscRecord>();
            if (!pData || !ReadDiscEntry(nId, dump.CategoryName(c), pData, nSize, *record)) {
                ++index->m_nSkipped;
                return true;
            }
            const uint32_t nDisc = uint32_t(index->m_vecDiscs.size());
            std::wstring artistKey = MatchKey(record->m_strArtist), albumKey = MatchKey(record->m_strAlbum);
            if (!artistKey.empty())
                index->m_mapArtists[artistKey].push_back(nDisc);
            if (!albumKey.empty())
                index->m_mapAlbums[albumKey].push_back(nDisc);
            index->m_vecDiscs.push_back(std::move(record));
            return true;
        });
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
