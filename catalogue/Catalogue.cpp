#include "Catalogue.h"
#include "Extensions.h"
#include "platform/PlatformFile.h"
#include <algorithm>
#include <cstdint>
#include <vector>

const char* const UNKNOWN_GROUP = "*UNKNFOLDER*";

namespace {

const uint16_t kNoExtensionNumber = 0xFFFF;

// Records mostly come folder by folder: a text equal to that of the record
// added before shares its bytes.
void ShareTexts(CMusicInfo& info, const CMusicInfo& previous)
{
    for (CStr CMusicInfo::*field : {&CMusicInfo::m_strAlbum, &CMusicInfo::m_strArtist, &CMusicInfo::m_strInfo,
                                    &CMusicInfo::m_strTime})
        if ((info.*field).view() == (previous.*field).view())
            info.*field = previous.*field;
}

// The file name is mostly the end of the path: then it shares the path's bytes.
void ShareFileName(CMusicInfo& info)
{
    std::string_view full = info.m_strPath.view(), name = info.m_strFileName.view();
    if (!name.empty() && name.size() < full.size() && full.substr(full.size() - name.size()) == name)
        info.m_strFileName = CStr::TailOf(info.m_strPath, full.size() - name.size());
}

CStr CMusicInfo::*const kTexts[] = {&CMusicInfo::m_strFileName, &CMusicInfo::m_strTime,  &CMusicInfo::m_strInfo,
                                    &CMusicInfo::m_strAlbum,    &CMusicInfo::m_strArtist, &CMusicInfo::m_strPath,
                                    &CMusicInfo::m_strTitle};

} // namespace

bool IsValidText(const char* text) { return text && text[0] != '\0' && text[0] != ' '; }

CCatalogue::~CCatalogue() { ClearCatalogue(CLEAR_ALL_FILES | CLEAR_GROUPS); }

bool CCatalogue::PassesFilter(const CMusicInfo& info) const
{
    std::string ext;
    if (!GetExtension(info.m_strPath.c_str(), ext, m_code))
        return false;
    if (MatchExtension(m_strHiddenExt.c_str(), ext.c_str(), m_code))
        return false;
    return info.m_lLength >= m_lMinLength;
}

bool CCatalogue::MatchesFilterText(const CMusicInfo& info) const
{
    if (!m_filterText.IsSet())
        return true;
    std::string_view texts[5] = {info.m_strFileName.view(), info.m_strTitle.view(), info.m_strArtist.view(),
                                 info.m_strAlbum.view(), {}};
    if (!m_genres.IniPath().empty()) { // each genre's name is read from the file once
        // Compared in place: this runs for every record at every letter typed.
        if (m_genres.IniPath() != m_strFilterGenresIni || m_genres.Section() != m_strFilterGenresSection) {
            m_mapFilterGenres.clear();
            m_strFilterGenresIni = m_genres.IniPath();
            m_strFilterGenresSection = m_genres.Section();
        }
        auto genre = m_mapFilterGenres.find(info.m_nGenre);
        if (genre == m_mapFilterGenres.end()) {
            std::string name;
            if (!m_genres.GenreName(info.m_nGenre, name))
                name.clear();
            genre = m_mapFilterGenres.emplace(info.m_nGenre, name).first;
        }
        texts[4] = genre->second;
    }
    return m_filterText.Passes(texts, 5, Order());
}

void CCatalogue::SetHiddenExtensions(const std::string& list)
{
    m_strHiddenExt = list;
    for (const auto& ext : m_mapExtensions)
        m_extensionShown[ext.second] = !MatchExtension(m_strHiddenExt.c_str(), ext.first.c_str(), m_code);
}

bool CCatalogue::Shown(const CMusicInfo& info) const
{
    if (info.m_nExtension >= m_extensionShown.size())
        return PassesFilter(info);
    return m_extensionShown[info.m_nExtension] && info.m_lLength >= m_lMinLength;
}

uint16_t CCatalogue::ExtensionNumber(const char* path)
{
    std::string ext;
    if (!GetExtension(path, ext, m_code))
        return 0;
    auto it = m_mapExtensions.find(ext);
    if (it != m_mapExtensions.end())
        return it->second;
    if (m_extensionShown.size() >= kNoExtensionNumber)
        return kNoExtensionNumber; // so many kinds that the rest are looked at each time
    uint16_t number = uint16_t(m_extensionShown.size());
    m_extensionShown.push_back(!MatchExtension(m_strHiddenExt.c_str(), ext.c_str(), m_code));
    m_mapExtensions.emplace(ext, number);
    return number;
}

int32_t CCatalogue::AddFile(const AddingFileRecord* request, std::unique_ptr<CMusicInfo>& record)
{
    const char* path = request ? request->pszPath : record->m_strPath.c_str();
    if (!path || !platform::PathExists({path, m_code}))
        return ADD_NO_FILE;
    auto at = m_mapFiles.lower_bound(path);
    if (at != m_mapFiles.end() && !m_mapFiles.key_comp()(path, at->first))
        return ADD_ALREADY;

    std::unique_ptr<CMusicInfo> info = std::move(record);
    if (!info) {
        info.reset(new CMusicInfo);
        ReadMusicFile(*info, path, m_bExtendedTags, m_code);
    }
    if (request) {
        info->m_strInfo = request->pszInfo;
        info->m_strTime = request->pszTime;
        info->m_lLength = request->lLength;
    }
    CMusicInfo* added = info.get();
    m_mapFiles.emplace_hint(at, added->m_strPath.c_str(), std::move(info));
    if (m_pLastAdded)
        ShareTexts(*added, *m_pLastAdded);
    ShareFileName(*added);
    m_pLastAdded = added;
    added->m_nGroupRefs = 0; // a copy of a record of another catalogue is in none of these groups
    added->m_nExtension = ExtensionNumber(added->m_strPath.c_str());
    if (Shown(*added)) {
        m_rebuilt.bValid = false;
        if (m_bBatch) {
            if (!m_batch.empty() && !m_mapFiles.key_comp()(m_batch.back()->m_strPath.c_str(), added->m_strPath.c_str()))
                m_bBatchAsRebuild = false;
            m_batch.push_back(added);
        } else {
            std::string genre;
            FileIntoGroups(added, m_genres.GenreName(added->m_nGenre, genre) ? genre.c_str() : nullptr);
        }
        m_pView->InsertFileRow(*added);
    }
    return ADD_ADDED;
}

CGroup& CCatalogue::GroupFor(int which, const char* key)
{
    LastGroup& last = m_last[which];
    if (!last.valid || Order().Compare(last.it->first.c_str(), key) != 0) {
        GroupIndex& index = *m_indexes[which];
        auto it = index.lower_bound(key);
        if (it == index.end() || index.key_comp()(key, it->first))
            it = index.emplace_hint(it, key, Group(Order()));
        last.it = it;
        last.valid = true;
    }
    return last.it->second;
}

void CCatalogue::FileUnder(int which, CMusicInfo* info, const char* key)
{
    if (GroupFor(which, key).insert(info).second)
        AddGroupRef(info);
}

void CCatalogue::FileIntoGroups(CMusicInfo* info, const char* genre)
{
    std::string unused; // the genre is given
    FileUnder(ALBUMS, info, FiledKey(ALBUMS, *info, unused));
    FileUnder(ARTISTS, info, FiledKey(ARTISTS, *info, unused));
    FileUnder(GENRES, info, genre ? genre : UNKNOWN_GROUP);
}

int32_t CCatalogue::RemoveFromGroup(GroupIndex& index, CMusicInfo* info, const char* key)
{
    FileWaiting();
    if (!IsValidText(key))
        return -1;
    auto group = index.find(key);
    if (group == index.end())
        return -1;
    // The group holds at most one record per file name; that one goes.
    auto entry = group->second.find(info);
    if (entry == group->second.end())
        return -1;
    DropGroupRef(*entry);
    group->second.erase(entry);
    m_rebuilt.bValid = false;
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
    for (GroupIndex* index : m_indexes) {
        for (auto group = index->begin(); group != index->end() && info->m_nGroupRefs > 0;) {
            auto entry = group->second.find(info);
            if (entry != group->second.end() && *entry == info) {
                group->second.erase(entry);
                DropGroupRef(info);
            }
            if (group->second.empty())
                ForgetLastGroups();
            group = group->second.empty() ? index->erase(group) : std::next(group);
        }
    }
}

void CCatalogue::ClearCatalogue(uint32_t flags)
{
    FileWaiting();
    m_bClearing = true;
    if (flags & CLEAR_GROUP_ROWS)
        m_pView->DiscardGroupedRows();
    if (flags & (CLEAR_ALL_FILES | CLEAR_MISSING)) {
        m_pLastAdded = nullptr;
        std::vector<std::unique_ptr<CMusicInfo>> doomed;
        for (auto it = m_mapFiles.begin(); it != m_mapFiles.end();) {
            CMusicInfo* info = it->second.get();
            if (!(flags & CLEAR_ALL_FILES) && platform::PathExists({info->m_strPath.c_str(), m_code})) {
                ++it;
                continue;
            }
            if (flags & CLEAR_MISSING)
                RemoveFromGroups(info);
            // The key points into the record, so the entry goes before the record.
            m_rebuilt.bValid = false;
            doomed.push_back(std::move(it->second));
            it = m_mapFiles.erase(it);
        }
        RecordsGoing(doomed);
    }
    if (flags & CLEAR_GROUPS) {
        EmptyGroups();
        for (auto& entry : m_mapFiles)
            entry.second->m_nGroupRefs = 0;
    }
    m_bClearing = false;
}

void CCatalogue::RecordsGoing(const std::vector<std::unique_ptr<CMusicInfo>>& records)
{
    if (records.empty())
        return;
    std::vector<const CMusicInfo*> going;
    going.reserve(records.size());
    for (const auto& record : records)
        going.push_back(record.get());
    std::sort(going.begin(), going.end());
    m_pView->RecordsGoing(going);
}

void CCatalogue::EmptyGroups()
{
    m_rebuilt.bValid = false;
    ForgetLastGroups();
    for (GroupIndex* index : m_indexes)
        index->clear();
}

void CCatalogue::RefileAfterLookup(CMusicInfo* info)
{
    FileWaiting();
    m_rebuilt.bValid = false;
    if (IsValidText(info->m_strAlbum.c_str())) {
        FileUnder(ALBUMS, info, info->m_strAlbum.c_str());
        RemoveFromGroup(m_mapAlbums, info, UNKNOWN_GROUP);
    }
    if (IsValidText(info->m_strArtist.c_str())) {
        FileUnder(ARTISTS, info, info->m_strArtist.c_str());
        RemoveFromGroup(m_mapArtists, info, UNKNOWN_GROUP);
    }
    std::string genre;
    if (m_genres.GenreName(info->m_nGenre, genre)) {
        FileUnder(GENRES, info, genre.c_str());
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
        if (GetExtension(entry.first, ext, m_code) && MatchExtension(list, ext.c_str(), m_code))
            ++count;
    return count;
}

bool CCatalogue::CanRecode(platform::TextCode code) const
{
    if (code == m_code)
        return true;
    std::string out;
    for (const auto& entry : m_mapFiles)
        for (CStr CMusicInfo::*field : kTexts)
            if (!platform::Recode((entry.second.get()->*field).view(), m_code, code, out))
                return false;
    return platform::Recode(m_strHiddenExt, m_code, code, out) && m_genres.CanRecode(code);
}

// The records leave the indexes, change their texts and come back, in the
// new order of paths; the groups are rebuilt from them in the new order of
// names, and the views drop the rows they hold.
void CCatalogue::SetTextCode(platform::TextCode code)
{
    if (code == m_code)
        return;
    FileWaiting();
    m_pView->DiscardGroupedRows();
    const platform::TextCode from = m_code;
    std::vector<std::unique_ptr<CMusicInfo>> records;
    records.reserve(m_mapFiles.size());
    for (auto& entry : m_mapFiles)
        records.push_back(std::move(entry.second));
    m_mapFiles.clear();
    EmptyGroups();
    m_mapExtensions.clear();
    m_extensionShown.assign(1, false);
    m_pLastAdded = nullptr;
    m_code = code;
    for (GroupIndex* index : m_indexes)
        *index = GroupIndex(platform::CaseLess(Order()));
    m_genres.SetTextCode(code);
    std::string out;
    if (platform::Recode(m_strHiddenExt, from, code, out))
        m_strHiddenExt = out;
    for (std::unique_ptr<CMusicInfo>& record : records) {
        CMusicInfo& info = *record;
        for (CStr CMusicInfo::*field : kTexts)
            if (!platform::IsAscii((info.*field).view()) && platform::Recode((info.*field).view(), from, code, out))
                info.*field = CStr(out);
        ShareFileName(info);
        info.m_nGroupRefs = 0;
        info.m_nExtension = ExtensionNumber(info.m_strPath.c_str());
        m_mapFiles.emplace(info.m_strPath.c_str(), std::move(record));
    }
    RebuildGroups();
}
