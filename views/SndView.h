// CSndView: the sound view. It is the grouped list (artist, album and genre
// views) and owns the file list, the catalogue, the search requests, the
// search state and the view state; its window is where the scan worker reports.
#pragma once
#include "catalogue/Catalogue.h"
#include "catalogue/Messages.h"
#include "catalogue/SearchRequests.h"
#include "listctrl/SndListCtrl.h"
#include "listctrl/TipWnd.h"
#include "lookup/CddbApi.h"
#include "scan/FolderWatch.h"
#include "RowCache.h"
#include <map>
#include <set>
#include <string>

struct LookupJob;

enum ViewId : int32_t { ID_VIEW_FILES = 1039, ID_VIEW_ARTIST = 1040, ID_VIEW_ALBUM = 1041, ID_VIEW_GENRE = 1042 };

// 0..3 for the four views, -1 for anything else.
inline int ViewIndex(int32_t view) { return view >= ID_VIEW_FILES && view <= ID_VIEW_GENRE ? view - ID_VIEW_FILES : -1; }

class CSndView : public CSndListCtrl, public CCatalogueView {
public:
    // Paths found by any text, a row's own included, with no string made for it.
    using PathSet = std::set<std::string, std::less<>>;

    CSndView() { m_catalogue.SetView(this); }
    ~CSndView() override;
    CSndView(const CSndView&) = delete;
    CSndView& operator=(const CSndView&) = delete;

    bool CreateListWindows(HWND parent, const RECT& rect, UINT id);
    CSndListCtrl& FileList() { return m_fileList; }
    // The list the current view shows.
    CSndListCtrl& ShownList() { return m_nView == ID_VIEW_FILES ? m_fileList : *this; }

    // Starts a search of every request, unless one runs, a look-up runs, the
    // table is empty or there is no window to report to.
    void BeginSearch();
    // Ends a running search at the worker's next poll. The search still counts
    // as running (the request table refuses changes) until the worker has ended.
    void StopSearch();
    // Waits for the worker to end, answering its messages meanwhile.
    void WaitForWorker();

    CCatalogue& Catalogue() { return m_catalogue; }
    const CCatalogue& Catalogue() const { return m_catalogue; }
    // The code of every text of the view: the catalogue and the requests
    // change code and both lists show the records again. False, changing
    // nothing, when a text has no place in the new code.
    bool SetTextCode(platform::TextCode code);
    CSearchRequests& Requests() { return m_requests; }

    int32_t GetView() const { return m_nView; }
    void SetView(int32_t view);
    void SetStyle(int32_t style);
    int32_t Style() const { return m_nStyle; }
    bool IsViewEnabled() const { return m_bViewEnabled; }
    void SetViewEnabled(bool enabled) { m_bViewEnabled = enabled; }

    void HideItems(const std::string& list);
    void SetHideAudioLength(int32_t seconds);
    int32_t GetItemsFoundCount(const std::string& list) const { return m_catalogue.CountByExtension(list.c_str()); }
    void Refresh();
    void PurgeFileList(int32_t view);

    bool SetColumn(int column, const std::string& header, int width) override;
    bool SetColumnWidth(int column, int width);
    void CountSelected(int& files, int& items) const override;
    bool GetSelectedFiles(std::vector<std::string>& paths) const override;
    bool GetSelectedItemsString(std::string& text) override;
    void SetContextMenuString(int command, const std::string& text) override;
    int InsertRow(int index, ListRow* row, int view) override;
    void DeleteRows(int first, int count);

    void BuildGroupRows(int32_t view);
    void ExpandRow(int item);
    void CollapseRow(int item);
    void CollapseBelow(int item);
    void SaveViewRows();
    void RestoreViewRows(int32_t view);
    void DiscardViewRows(int32_t view);

    // The track lookup (SndLookup.cpp). SetupLookup answers a negative code for
    // failure, 1 when the component needs a registered user, any other value
    // when the look-up is set up.
    int32_t SetupLookup(const std::string& clientId, const std::string& clientTag, const std::string& version);
    bool SetLookupUser(const std::string& user, const std::string& password);
    bool PingLookup() const;
    bool IsLookupSetupOk() const { return m_bLookupSetupOk; }
    // Looks up every untagged MP3 on a worker, answering this thread's messages
    // until it ends; true when any record was filled in. Nothing starts without
    // a window, beside a search or inside a look-up.
    bool RunLookup();
    bool IsLookupRunning() const { return m_pLookupJob != nullptr; }
    // Ends a running look-up after the entry in hand and waits for it,
    // answering its messages meanwhile.
    void StopLookup();

    // Following the disk between searches (SndWatch.cpp): a watcher thread
    // reports what changed under the roots of the request table, and the
    // catalogue and both lists follow. Set before the window exists, the
    // watch starts with it.
    void SetWatchFolders(bool on);
    bool WatchFolders() const { return m_bWatch; }
    // The request table changed: the watch follows its roots.
    void WatchRootsChanged();
    // Ends the watcher thread and waits for it (the window is going).
    void StopWatching();

    // The help tip over the grouped list, until HideHelp.
    void SetTipText(const std::string& text, HFONT font);
    void SetTipTextColor(COLORREF color);
    void HideHelp();

    // The view menu: the four views, a radio mark on the current one, the genre
    // entry only while a genre names file is set. TrackViewMenu answers the chosen id or 0.
    int TrackViewMenu(UINT flags, POINT at);
    void SetViewString(int32_t view, const std::string& text);

    // The quick filter (SndFilter.cpp): both lists show only the records whose
    // texts hold every word; the grouped list the groups that hold such
    // records. unmatchable: a word had no place in the code of the names.
    void SetFilterText(const std::string& text, bool unmatchable);
    const std::string& FilterText() const { return m_catalogue.FilterText().Text(); }

    void SetNoFileFoundText(const std::string& text) { m_strNoFileFound = text; }
    void SetUnknString(int32_t view, const std::string& text);
    const std::string& UnknString(int32_t view) const { return m_strUnknNames[ViewIndex(view) < 0 ? 0 : ViewIndex(view)]; }

    // The catalogue's requests.
    void InsertFileRow(const CMusicInfo& info) override;
    void DiscardGroupedRows() override;
    void SetGenreViewAvailable(bool available) override;
    void RebuildShownGroupView() override;
    void SyncViewAfterLoad() override;
    void RecordsGoing(const std::vector<const CMusicInfo*>& records) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void AppendGroupFiles(const ListRow* row, std::string& text) override;

private:
    bool OnSearchMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // One of the host's texts (in the code page) as a row shows it.
    std::string InListCode(const std::string& label) const;
    LRESULT OnFileFound(const char* path);
    // Offers a file to the host and catalogues it when accepted: 0 refused,
    // 4 catalogued already, else AddFile's answer.
    LRESULT OfferFile(const std::string& path);
    // Files the host refused, with their size and write time then: a watch
    // offers them again only once they change (or after the next search).
    void NoteRefused(const std::string& path, uint64_t size, uint64_t time);
    bool WasRefused(const std::string& path, uint64_t size, uint64_t time) const;
    std::vector<WatchRoot> WatchRoots() const;
    void StartWatching();
    LRESULT OnWatchChanges(WatchBatch* batch);
    void ApplyWatchChanges();
    // What the watch reported while a search or a look-up ran is applied
    // once the thread's message loop runs again.
    void ResumeWatchChanges();
    bool ApplyWatchChange(const WatchChange& change, ChangeCounts& counts, PathSet& removed);
    const std::string* RootOf(const std::string& path, bool file) const;
    void PlaceInGroupedList(const std::string& path);
    void DropFromGroupedList(const PathSet& paths);
    void DropFromFileList(const PathSet& paths);
    void ShowNoneFoundIfEmpty();
    void InsertNoneFoundRow();
    void DropNoneFoundRow();
    void OnEndSearch();
    void EndWorker();
    void InsertCataloguedRows();
    bool HasFileRows() const;
    bool HasRowsToShow() const;
    RECT TipRect(const RECT& lists) const;
    void EmptyGroupedList();
    void ShowAsListed();
    void Dress(ListRow& row, bool toFiles);
    // The quick filter's marks: every row of the file list, the rows of the
    // grouped list (of the view given), and both lists shown again.
    bool RecordShows(const CMusicInfo* info) const;
    void MarkFileRows(bool narrowing = false);
    void MarkGroupRows(const std::vector<ListRow*>& rows, int32_t view, bool narrowing = false);
    void ApplyFilter();
    void MarkShownList();
    CCatalogue::GroupIndex* IndexOf(int32_t view);
    void ShowList(bool files);
    void CreateViewMenu();
    void BeginFilling();
    void EndFilling();
    void CheckView(int32_t view);
    int32_t AskRegistration();

    CCatalogue m_catalogue;
    CSearchRequests m_requests;
    CSndListCtrl m_fileList;
    bool m_bViewEnabled = false;
    // The host's texts, kept from before the windows exist: placeholders until it names them.
    std::string m_strUnknNames[4] = {"", "~~~Artist Unknown", "~~~Album Unknown", "~~~Genre Unknown"};
    // The view names start empty; the menu starts with placeholders in place of
    // the names the host has not given yet.
    std::string m_strViewNames[4];
    bool m_bViewNamed[4] = {};
    HMENU m_hViewMenu = nullptr;
    CTipWnd* m_pTip = nullptr;
    std::string m_strNoFileFound;
    int32_t m_nStyle = 1;
    int32_t m_nView = ID_VIEW_FILES;
    // The grouped view whose rows the grouped list holds, shown or not (files:
    // none). Its cache stays empty meanwhile: the list owns those rows.
    int32_t m_nListedView = ID_VIEW_FILES;
    HANDLE m_hWorker = nullptr; // the busy marker: set from the worker's start to the end of OnEndSearch
    bool m_bStopping = false;   // StopSearch asked the worker to end at its next poll
    bool m_bFilling = false;    // the file list is being filled with redraw off
    DWORD m_nLastPaint = 0;     // when it was last drawn meanwhile
    CRowCache m_rowCache;
    // Each FilterText change counts; cached rows were marked at the count
    // they were kept at.
    uint32_t m_nFilterChanges = 0;
    uint32_t m_nCachedAt[CRowCache::kSlots] = {};
    uint32_t m_nFilesMarkedAt = 0, m_nGroupsMarkedAt = 0; // the lists' rows marked at that count
    static const uint32_t kStale = UINT32_MAX;              // marked at no count
    uint32_t m_nNarrowedAt = kStale;                        // the count whose change only narrowed
    CObjectRef<ICddbComponent> m_pCddb;
    CObjectRef<ICddbLookupService> m_pLookupService; // set once a registered user is known
    bool m_bLookupSetupOk = false;
    LookupJob* m_pLookupJob = nullptr; // while a look-up runs
    HANDLE m_hLookup = nullptr;        // its worker thread
    CFolderWatch m_watch;
    bool m_bWatch = false;             // WatchFolders: the watch runs while there is a window
    bool m_bTakingChanges = false;     // the watch runs and its batches are taken
    bool m_bApplyingWatch = false;     // changes are being applied (events may call back in)
    std::vector<WatchChange> m_watchBacklog; // taken from the watcher, not applied yet
    struct Refused {
        uint64_t nSize, nTime;
    };
    std::map<std::string, Refused> m_mapRefused;
};
