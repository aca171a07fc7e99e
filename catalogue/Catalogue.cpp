#include "Catalogue.h"
#include "Extensions.h"
#include "platform/PlatformFile.h"
#include <vector>

const char* const UNKNOWN_GROUP = "*UNKNFOLDER*";

bool IsValidText(const char* text) { return text && text[0] != '\0' && text[0] != ' '; }

CCatalogue::~CCatalogue() { ClearCatalogue(CLEAR_ALL_FILES | CLEAR_GROUPS); }

bool CCatalogue::PassesFilter(const CMusicInfo& info) const
{
    std::string ext;
    if (!GetExtension(info.m_strPath.c_str(), ext))
        return false;
    if (MatchExtension(m_strHiddenExt.c_str(), ext.c_str()))
        return false;
    return info.m_lLength >= m_lMinLength;
}

int32_t CCatalogue::AddFile(const AddingFileRecord* request, std::unique_ptr<CMusicInfo>& record)
{
    const char* path = request ? request->pszPath : record->m_strPath.c_str();
    if (!path || !platform::PathExists(path))
        return ADD_NO_FILE;
    if (IsInCatalogue(path))
        return ADD_ALREADY;

    std::unique_ptr<CMusicInfo> info = std::move(record);
    if (!info) {
        info.reset(new CMusicInfo);
        ReadMusicFile(*info, path);
    }
    if (request) {
        info->m_strInfo = request->pszInfo;
        info->m_strTime = request->pszTime;
        info->m_lLength = request->lLength;
    }
    CMusicInfo* added = info.get();
    m_mapFiles.emplace(added->m_strPath.c_str(), std::move(info));
    if (PassesFilter(*added)) {
        FileIntoGroups(added);
        m_pView->InsertFileRow(*added);
    }
    return ADD_ADDED;
}

void CCatalogue::FileUnder(GroupIndex& index, CMusicInfo* info, const char* key)
{
    LastGroup& last = m_last[&index == &m_mapAlbums ? 0 : &index == &m_mapArtists ? 1 : 2];
    if (!last.valid || platform::MbsICmp(last.it->first.c_str(), key) != 0) {
        last.it = index.try_emplace(key).first;
        last.valid = true;
    }
    if (last.it->second.insert(info).second)
        ++info->m_nGroupRefs;
}

void CCatalogue::FileIntoGroups(CMusicInfo* info)
{
    FileUnder(m_mapAlbums, info, IsValidText(info->m_strAlbum.c_str()) ? info->m_strAlbum.c_str() : UNKNOWN_GROUP);
    FileUnder(m_mapArtists, info, IsValidText(info->m_strArtist.c_str()) ? info->m_strArtist.c_str() : UNKNOWN_GROUP);
    std::string genre;
    FileUnder(m_mapGenres, info, m_genres.GenreName(info->m_nGenre, genre) ? genre.c_str() : UNKNOWN_GROUP);
}

int32_t CCatalogue::RemoveFromGroup(GroupIndex& index, CMusicInfo* info, const char* key)
{
    if (!IsValidText(key))
        return -1;
    auto group = index.find(key);
    if (group == index.end())
        return -1;
    // The group holds at most one record per file name; that one goes.
    auto entry = group->second.find(info);
    if (entry == group->second.end())
        return -1;
    --(*entry)->m_nGroupRefs;
    group->second.erase(entry);
    if (!group->second.empty())
        return int32_t(group->second.size());
    ForgetLastGroups();
    index.erase(group);
    return 0;
}

void CCatalogue::RemoveFromGroups(CMusicInfo* info)
{
    if (RemoveFromGroup(m_mapArtists, info, info->m_strArtist.c_str()) == -1)
        RemoveFromGroup(m_mapArtists, info, UNKNOWN_GROUP);
    if (RemoveFromGroup(m_mapAlbums, info, info->m_strAlbum.c_str()) == -1)
        RemoveFromGroup(m_mapAlbums, info, UNKNOWN_GROUP);
    std::string genre;
    if (!m_genres.GenreName(info->m_nGenre, genre) || RemoveFromGroup(m_mapGenres, info, genre.c_str()) == -1)
        RemoveFromGroup(m_mapGenres, info, UNKNOWN_GROUP);
    if (info->m_nGroupRefs > 0)
        ForgetEverywhere(info);
}

// A record can stand in a group that its names no longer lead to: the genre
// names file changed since it was filed, or a genre name begins with a blank.
// Before it is deleted, every reference to it goes.
void CCatalogue::ForgetEverywhere(CMusicInfo* info)
{
    for (GroupIndex* index : {&m_mapAlbums, &m_mapArtists, &m_mapGenres}) {
        for (auto group = index->begin(); group != index->end() && info->m_nGroupRefs > 0;) {
            auto entry = group->second.find(info);
            if (entry != group->second.end() && *entry == info) {
                group->second.erase(entry);
                --info->m_nGroupRefs;
            }
            if (group->second.empty())
                ForgetLastGroups();
            group = group->second.empty() ? index->erase(group) : std::next(group);
        }
    }
}

void CCatalogue::ClearCatalogue(uint32_t flags)
{
    m_bClearing = true;
    if (flags & CLEAR_GROUP_ROWS)
        m_pView->DiscardGroupedRows();
    if (flags & (CLEAR_ALL_FILES | CLEAR_MISSING)) {
        std::vector<std::unique_ptr<CMusicInfo>> doomed;
        for (auto it = m_mapFiles.begin(); it != m_mapFiles.end();) {
            CMusicInfo* info = it->second.get();
            if (!(flags & CLEAR_ALL_FILES) && platform::PathExists(info->m_strPath.c_str())) {
                ++it;
                continue;
            }
            if (flags & CLEAR_MISSING)
                RemoveFromGroups(info);
            // The key points into the record, so the entry goes before the record.
            doomed.push_back(std::move(it->second));
            it = m_mapFiles.erase(it);
        }
    }
    if (flags & CLEAR_GROUPS) {
        ForgetLastGroups();
        m_mapAlbums.clear();
        m_mapArtists.clear();
        m_mapGenres.clear();
        for (auto& entry : m_mapFiles)
            entry.second->m_nGroupRefs = 0;
    }
    m_bClearing = false;
}

void CCatalogue::RebuildGroups()
{
    ClearCatalogue(CLEAR_GROUPS);
    for (auto& entry : m_mapFiles)
        if (PassesFilter(*entry.second))
            FileIntoGroups(entry.second.get());
}

void CCatalogue::RefileAfterLookup(CMusicInfo* info)
{
    if (IsValidText(info->m_strAlbum.c_str())) {
        FileUnder(m_mapAlbums, info, info->m_strAlbum.c_str());
        RemoveFromGroup(m_mapAlbums, info, UNKNOWN_GROUP);
    }
    if (IsValidText(info->m_strArtist.c_str())) {
        FileUnder(m_mapArtists, info, info->m_strArtist.c_str());
        RemoveFromGroup(m_mapArtists, info, UNKNOWN_GROUP);
    }
    std::string genre;
    if (m_genres.GenreName(info->m_nGenre, genre)) {
        FileUnder(m_mapGenres, info, genre.c_str());
        RemoveFromGroup(m_mapGenres, info, UNKNOWN_GROUP);
    }
}

void CCatalogue::GetMusicCounts(int32_t* tagged, int32_t* totalMp3, int32_t* totalMusic) const
{
    *tagged = *totalMp3 = *totalMusic = 0;
    *totalMusic = int32_t(m_mapFiles.size());
    for (const auto& entry : m_mapFiles) {
        if (entry.second->m_nFileType == 1) {
            ++*totalMp3;
            if (entry.second->m_bTagged)
                ++*tagged;
        }
    }
}

int32_t CCatalogue::CountByExtension(const char* list) const
{
    int32_t count = 0;
    std::string ext;
    for (const auto& entry : m_mapFiles)
        if (GetExtension(entry.first, ext) && MatchExtension(list, ext.c_str()))
            ++count;
    return count;
}
