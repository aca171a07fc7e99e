// CSndView: the sound view. It owns the catalogue, the search requests and
// the view state. Its list windows arrive with the result lists; until then
// it keeps the state that the control's properties and methods reach.
#pragma once
#include "catalogue/Catalogue.h"
#include "catalogue/SearchRequests.h"
#include <string>
#include <vector>

enum ViewId : int32_t { ID_VIEW_FILES = 1039, ID_VIEW_ARTIST = 1040, ID_VIEW_ALBUM = 1041, ID_VIEW_GENRE = 1042 };

class CSndView : public CCatalogueView {
public:
    CSndView() { m_catalogue.SetView(this); }
    ~CSndView() override { m_catalogue.SetView(nullptr); }
    CSndView(const CSndView&) = delete;
    CSndView& operator=(const CSndView&) = delete;

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

private:
    CCatalogue m_catalogue;
    CSearchRequests m_requests;
    int32_t m_nView = ID_VIEW_FILES;
    int32_t m_nStyle = 2;
    bool m_bViewEnabled = false;
    bool m_bGenreView = false;
    int32_t m_nFileRows = 0;
    std::string m_strNoFileFound;
};
