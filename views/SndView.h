// CSndView: the sound view. It owns the catalogue, the search requests, the
// search state and the view state, and its window is where the scan worker
// reports. Its list windows arrive with the result lists; until then the
// window is a plain child of the control window.
#pragma once
#include "catalogue/Catalogue.h"
#include "catalogue/SearchRequests.h"
#include "framework/Window.h"
#include <string>
#include <vector>

enum ViewId : int32_t { ID_VIEW_FILES = 1039, ID_VIEW_ARTIST = 1040, ID_VIEW_ALBUM = 1041, ID_VIEW_GENRE = 1042 };

class CSndView : public CCatalogueView, public fw::CWindow {
public:
    CSndView() { m_catalogue.SetView(this); }
    ~CSndView() override;
    CSndView(const CSndView&) = delete;
    CSndView& operator=(const CSndView&) = delete;

    bool CreateListWindows(HWND parent, const RECT& rect, UINT id);

    // Starts a search of every request, unless one runs, the table is empty or
    // there is no window to report to.
    void BeginSearch();
    // Ends a running search at the worker's next poll.
    void StopSearch() { m_requests.SetState(SEARCH_IDLE); }
    // Waits for the worker to end, answering its messages meanwhile.
    void WaitForWorker();
    bool IsBusy() const { return m_hWorker != nullptr; }

    CCatalogue& Catalogue() { return m_catalogue; }
    CSearchRequests& Requests() { return m_requests; }

    int32_t GetView() const { return m_nView; }
    // Switches to one of the four views while the view is enabled; any other
    // id leaves the view as it is.
    void SetView(int32_t view);
    void SetStyle(int32_t style);
    int32_t Style() const { return m_nStyle; }
    bool IsViewEnabled() const { return m_bViewEnabled; }
    void SetViewEnabled(bool enabled) { m_bViewEnabled = enabled; }

    void HideItems(const std::string& list);
    void SetHideAudioLength(int32_t seconds);
    int32_t GetItemsFoundCount(const std::string& list) const { return m_catalogue.CountByExtension(list.c_str()); }
    void Refresh();

    int32_t FileRowCount() const { return m_nFileRows; }
    bool GenreViewAvailable() const { return m_bGenreView; }
    void SetNoFileFoundText(const std::string& text) { m_strNoFileFound = text; }

    // The catalogue's requests.
    void InsertFileRow(const CMusicInfo& info) override;
    void SetGenreViewAvailable(bool available) override { m_bGenreView = available; }
    void SyncViewAfterLoad() override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    LRESULT OnFileFound(const char* path);
    void OnEndSearch();

    CCatalogue m_catalogue;
    CSearchRequests m_requests;
    int32_t m_nView = ID_VIEW_FILES;
    int32_t m_nStyle = 2;
    bool m_bViewEnabled = false;
    bool m_bGenreView = false;
    int32_t m_nFileRows = 0;
    std::string m_strNoFileFound;
    HANDLE m_hWorker = nullptr; // the busy marker: set from the worker's start to the end of OnEndSearch
};
