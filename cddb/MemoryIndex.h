// A disc index held wholly in memory, read from a dump folder or archive in one go: what
// the component falls back to when no index file can be kept, and the
// measure the index files are held to.
#pragma once
#include "DiscIndex.h"
#include <unordered_map>

class CMemoryIndex : public CDiscIndex {
public:
    // Reads every disc file of the folder or archive; damaged ones are counted
    // and left out.
    static std::shared_ptr<const CMemoryIndex> Build(const std::wstring& strFolder);

    CDiscRecordPtr Disc(uint32_t nDisc) const override;

protected:
    void FindArtist(const std::wstring& key, std::vector<uint32_t>& discs) const override;
    void FindAlbum(const std::wstring& key, std::vector<uint32_t>& discs) const override;

private:
    using CKeyMap = std::unordered_map<std::wstring, std::vector<uint32_t>>; // match key -> discs, ascending
    static void Find(const CKeyMap& map, const std::wstring& key, std::vector<uint32_t>& discs);
    void Add(std::shared_ptr<CDiscRecord> record); // the next disc; null counts one damaged

    std::vector<CDiscRecordPtr> m_vecDiscs;
    CKeyMap m_mapArtists, m_mapAlbums;
};
