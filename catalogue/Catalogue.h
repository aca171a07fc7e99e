// The catalogue: the file index that owns the records, and the album, artist
// and genre indexes that group them by name.
#pragma once
#include "Group.h"
#include "MusicInfo.h"
#include "MusicReader.h"
#include "TextFilter.h"
#include "platform/CaseOrder.h"
#include "platform/PlatformText.h"
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The answers the scan's host gave for one file.
struct AddingFileRecord {
    const char* pszPath = nullptr;
    char* pszInfo = nullptr;
    char* pszTime = nullptr;
    int32_t nReserved = 0;
    int32_t lLength = 0;
    int32_t bAddOk = 0;
};

// What the catalogue asks of the views. The defaults do nothing, for a
// catalogue that no view shows.
class CCatalogueView {
public:
    virtual ~CCatalogueView() = default;
    virtual void InsertFileRow(const CMusicInfo& /*info*/) {}
    virtual void DiscardGroupedRows() {}
    // The genre view is offered only while a genre names file exists.
    virtual void SetGenreViewAvailable(bool /*available*/) {}
    // A cache file was read: rebuild the grouped view on show, then (after
    // any rewrite of the file) bring the view's rows and enabled state in line.
    virtual void RebuildShownGroupView() {}
    virtual void SyncViewAfterLoad() {}
    // These records (sorted by address) are about to be freed: nothing may
    // point to them afterwards.
    virtual void RecordsGoing(const std::vector<const CMusicInfo*>& /*records*/) {}
};

extern const char* const UNKNOWN_GROUP; // "*UNKNFOLDER*"

enum ClearFlags : uint32_t {
    CLEAR_GROUP_ROWS = 1, // discard the grouped views' cached rows
    CLEAR_ALL_FILES = 2,  // delete every record (the group indexes are left to flag 8)
    CLEAR_MISSING = 4,    // delete the records whose files are gone, leaving their groups
    CLEAR_GROUPS = 8,     // empty the three group indexes
};

enum AddFileResult : int32_t { ADD_ALREADY = 1, ADD_ADDED = 2, ADD_NO_FILE = 3 };

bool IsValidText(const char* text);

class CCatalogue {
public:
    using Group = CGroup;
    using GroupIndex = std::map<std::string, Group, platform::CaseLess>;
    // Keys point into the records' own paths, which never change once filed.
    using FileIndex = std::map<const char*, std::unique_ptr<CMusicInfo>, platform::MbsLess>;

    CCatalogue() = default;
    ~CCatalogue();
    CCatalogue(const CCatalogue&) = delete;
    CCatalogue& operator=(const CCatalogue&) = delete;

    void SetView(CCatalogueView* view) { m_pView = view ? view : &m_defaultView; }
    CCatalogueView& View() { return *m_pView; }

    // The request (a file the scan found, with the host's answers) or else the
    // record names the file. A record given is adopted, instead of reading
    // the file, only when the result is ADD_ADDED.
    int32_t AddFile(const AddingFileRecord* request, std::unique_ptr<CMusicInfo>& record);
    int32_t RemoveFromGroup(GroupIndex& index, CMusicInfo* info, const char* key);
    void ClearCatalogue(uint32_t flags);
    void RebuildGroups();
    void RefileAfterLookup(CMusicInfo* info);
    // Following the disk between searches (Follow.cpp). RemoveFile takes the
    // record out of its groups and the file index; false when the path is
    // not catalogued.
    bool RemoveFile(const char* path);
    // The records at the path, or under it as a folder, whose files are gone;
    // their paths are added to removed.
    void RemoveGone(const std::string& path, std::vector<std::string>& removed);
    // Reads a catalogued file's tags again and files it under its new groups.
    // The host's texts stay, and so does its length unless extended tags
    // timed the file. False when the path is not catalogued.
    bool RereadFile(const char* path);
    // The group of an index that holds this very record (its key and
    // records), or null.
    enum { ALBUMS, ARTISTS, GENRES };
    const GroupIndex::value_type* GroupOf(int which, const CMusicInfo& info);
    // Between these two the records added wait, and go into their groups
    // together at the end, as filing them one by one would have put them.
    // For reading a cache file, where nothing looks at the groups meanwhile.
    void BeginBatch();
    void EndBatch()
    {
        m_bBatch = false;
        FileWaiting();
    }

    void GetMusicCounts(int32_t* tagged, int32_t* totalMp3, int32_t* totalMusic) const;
    bool IsInCatalogue(const char* path) const { return m_mapFiles.count(path) > 0; }
    int32_t CountByExtension(const char* list) const;
    bool PassesFilter(const CMusicInfo& info) const;
    // PassesFilter by the record's extension number, which the catalogue
    // gave it when it was added: no text looked at.
    bool Shown(const CMusicInfo& info) const;

    void SetHiddenExtensions(const std::string& list);
    const std::string& HiddenExtensions() const { return m_strHiddenExt; }
    void SetMinLength(int32_t seconds) { m_lMinLength = seconds; }
    // The quick filter, apart from the two above: a record matches when every
    // word of the text occurs in its file name, title, artist, album or, with
    // a genre names file, its genre's name.
    void SetFilterText(const std::string& text, bool unmatchable) { m_filterText.SetText(text, unmatchable); }
    const CTextFilter& FilterText() const { return m_filterText; }
    bool MatchesFilterText(const CMusicInfo& info) const;
    int32_t MinLength() const { return m_lMinLength; }
    bool IsClearing() const { return m_bClearing; }

    // Stores the genre names file when it exists and offers or withdraws the genre view.
    void SetGenreIniPath(const char* text) { m_pView->SetGenreViewAvailable(m_genres.SetIniPath(text)); }
    CGenreNames& Genres() { return m_genres; }
    const CGenreNames& Genres() const { return m_genres; }

    // The code of every text of the catalogue: records, group names, the
    // genre names' file and language. Changing it converts them all, and
    // regroups the records in the new code's order; CanRecode tells first
    // whether every text has a place in that code.
    bool CanRecode(platform::TextCode code) const;
    void SetTextCode(platform::TextCode code);
    platform::TextCode TextCode() const { return m_code; }
    const platform::CCaseOrder& Order() const { return platform::CCaseOrder::For(m_code); }

    // Files read from now on have their tags read through the tag library.
    void SetExtendedTags(bool on) { m_bExtendedTags = on; }
    bool ExtendedTags() const { return m_bExtendedTags; }

    const FileIndex& Files() const { return m_mapFiles; }
    GroupIndex& Albums() { return FileWaiting(), m_mapAlbums; }
    GroupIndex& Artists() { return FileWaiting(), m_mapArtists; }
    GroupIndex& GenreGroups() { return FileWaiting(), m_mapGenres; }

private:
    // A count that reaches its ceiling stays there, and such a record is
    // looked for in every group before it is deleted.
    static void AddGroupRef(CMusicInfo* info)
    {
        if (info->m_nGroupRefs < INT16_MAX)
            ++info->m_nGroupRefs;
    }
    static void DropGroupRef(CMusicInfo* info)
    {
        if (info->m_nGroupRefs < INT16_MAX)
            --info->m_nGroupRefs;
    }
    // Files the record under its album, artist and genre (null for the unknown group).
    void FileIntoGroups(CMusicInfo* info, const char* genre);
    void FileUnder(int which, CMusicInfo* info, const char* key);
    CGroup& GroupFor(int which, const char* key);
    void RemoveFromGroups(CMusicInfo* info);
    // The record itself leaves every group (another record of the same file
    // name stays where it is).
    void DropFromGroups(CMusicInfo* info);
    // The key under which the record is filed in an index.
    const char* FiledKey(int which, const CMusicInfo& info, std::string& genre) const;
    void EmptyGroups(); // without the records' counts
    // Tells the view of records about to be freed.
    void RecordsGoing(const std::vector<std::unique_ptr<CMusicInfo>>& records);
    void ForgetEverywhere(CMusicInfo* info);
    uint16_t ExtensionNumber(const char* path);
    // Files the records, in this order, as filing them one by one would;
    // the genre names read are kept in genres.
    using GenreNames = std::map<int32_t, std::pair<bool, std::string>>;
    void FileTogether(const std::vector<CMusicInfo*>& records, GenreNames& genres);
    // Whether a rebuild now would give the groups as they are.
    bool GroupsAsRebuilt();
    void NoteRebuilt(GenreNames& genres);
    // Files the records of a batch that wait (before anything reads or
    // changes the groups).
    void FileWaiting()
    {
        if (!m_batch.empty())
            FileBatch();
    }
    void FileBatch();

    FileIndex m_mapFiles;
    GroupIndex m_mapAlbums;
    GroupIndex m_mapArtists;
    GroupIndex m_mapGenres;
    GroupIndex* const m_indexes[3] = {&m_mapAlbums, &m_mapArtists, &m_mapGenres};
    // The extensions of the catalogued paths (as GetExtension gives them),
    // numbered from 1 in the order met, and for each number whether the
    // hidden-extension list lets it through; number 0 is a path without one.
    std::map<std::string, uint16_t> m_mapExtensions;
    std::vector<bool> m_extensionShown{false};
    CMusicInfo* m_pLastAdded = nullptr; // while it is catalogued
    bool m_bBatch = false;
    std::vector<CMusicInfo*> m_batch;
    // The batch began with an empty catalogue and its records came in
    // file-index order: filing it is what a rebuild would do.
    bool m_bBatchAsRebuild = false;
    // What the groups were last rebuilt from, while nothing has changed them
    // since: the filter, the group counts, and the genre names read.
    struct Rebuilt {
        bool bValid = false;
        std::string strHiddenExt;
        int32_t lMinLength = 0;
        size_t nGroups[3] = {};
        GenreNames genres;
    };
    Rebuilt m_rebuilt;
    CGenreNames m_genres;
    platform::TextCode m_code = platform::CODE_ANSI;
    bool m_bExtendedTags = false;
    std::string m_strHiddenExt;
    int32_t m_lMinLength = -1;
    CTextFilter m_filterText;
    // The genre names the filter has read, for the genre names file and
    // language they came from.
    mutable std::map<int32_t, std::string> m_mapFilterGenres;
    mutable std::string m_strFilterGenresIni, m_strFilterGenresSection;
    bool m_bClearing = false;
    CCatalogueView m_defaultView;
    CCatalogueView* m_pView = &m_defaultView;
    // The group each index filed into last: records come in path order, so the
    // next one mostly belongs to the same artist, album and genre. Forgotten
    // whenever a group is removed.
    struct LastGroup {
        bool valid = false;
        GroupIndex::iterator it;
    };
    LastGroup m_last[3];
    void ForgetLastGroups()
    {
        for (LastGroup& last : m_last)
            last.valid = false;
    }
};
