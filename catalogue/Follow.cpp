// Following the disk between searches: records whose files went, and records
// whose files were written again.
#include "Catalogue.h"
#include "platform/PlatformFile.h"
#include <cstring>

const char* CCatalogue::FiledKey(int which, const CMusicInfo& info, std::string& genre) const
{
    switch (which) {
    case ALBUMS: return IsValidText(info.m_strAlbum.c_str()) ? info.m_strAlbum.c_str() : UNKNOWN_GROUP;
    case ARTISTS: return IsValidText(info.m_strArtist.c_str()) ? info.m_strArtist.c_str() : UNKNOWN_GROUP;
    default: return m_genres.GenreName(info.m_nGenre, genre) ? genre.c_str() : UNKNOWN_GROUP;
    }
}

const CCatalogue::GroupIndex::value_type* CCatalogue::GroupOf(int which, const CMusicInfo& info)
{
    FileWaiting();
    std::string genre;
    GroupIndex& index = *m_indexes[which];
    auto group = index.find(FiledKey(which, info, genre));
    if (group == index.end())
        return nullptr;
    auto entry = group->second.find(&info);
    return entry != group->second.end() && *entry == &info ? &*group : nullptr;
}

// A group holds one record of each file name, and that one may be another
// record's: only the record itself is taken out.
void CCatalogue::DropFromGroups(CMusicInfo* info)
{
    FileWaiting();
    m_rebuilt.bValid = false;
    std::string genre;
    for (int which : {ALBUMS, ARTISTS, GENRES}) {
        GroupIndex& index = *m_indexes[which];
        auto group = index.find(FiledKey(which, *info, genre));
        if (group == index.end())
            continue;
        auto entry = group->second.find(info);
        if (entry == group->second.end() || *entry != info)
            continue;
        group->second.erase(entry);
        DropGroupRef(info);
        if (group->second.empty()) {
            ForgetLastGroups();
            index.erase(group);
        }
    }
    if (info->m_nGroupRefs > 0)
        ForgetEverywhere(info);
}

bool CCatalogue::RemoveFile(const char* path)
{
    auto it = path ? m_mapFiles.find(path) : m_mapFiles.end();
    if (it == m_mapFiles.end())
        return false;
    std::unique_ptr<CMusicInfo> record = std::move(it->second);
    m_pView->RecordsGoing({record.get()});
    DropFromGroups(record.get());
    if (m_pLastAdded == record.get())
        m_pLastAdded = nullptr;
    m_mapFiles.erase(it); // the key points into the record, so the entry goes first
    return true;
}

void CCatalogue::RemoveGone(const std::string& path, std::vector<std::string>& removed)
{
    std::vector<std::string> gone;
    auto exact = m_mapFiles.find(path.c_str());
    if (exact != m_mapFiles.end() && !platform::PathExists({path, m_code}))
        gone.push_back(path);
    // The paths under a folder follow it in the index's byte order.
    const std::string folder = path + "\\";
    for (auto it = m_mapFiles.lower_bound(folder.c_str());
         it != m_mapFiles.end() && std::strncmp(it->first, folder.c_str(), folder.size()) == 0; ++it)
        if (!platform::PathExists({it->first, m_code}))
            gone.emplace_back(it->first);
    for (const std::string& p : gone)
        if (RemoveFile(p.c_str()))
            removed.push_back(p);
}

bool CCatalogue::RereadFile(const char* path)
{
    auto it = path ? m_mapFiles.find(path) : m_mapFiles.end();
    if (it == m_mapFiles.end())
        return false;
    CMusicInfo* info = it->second.get();
    DropFromGroups(info);
    CMusicInfo read;
    ReadMusicFile(read, path, m_bExtendedTags, m_code);
    info->m_strTitle = read.m_strTitle;
    info->m_strArtist = read.m_strArtist;
    info->m_strAlbum = read.m_strAlbum;
    info->m_nGenre = read.m_nGenre;
    info->m_bTagged = read.m_bTagged;
    info->m_nFileType = read.m_nFileType;
    if (m_bExtendedTags)
        info->m_lLength = read.m_lLength;
    if (Shown(*info)) {
        std::string genre;
        FileIntoGroups(info, m_genres.GenreName(info->m_nGenre, genre) ? genre.c_str() : nullptr);
    }
    return true;
}
