#include "SndView.h"

void CSndView::SetView(int32_t view)
{
    if (!m_bViewEnabled || view < ID_VIEW_FILES || view > ID_VIEW_GENRE)
        return;
    m_nView = view;
}

void CSndView::SetStyle(int32_t style)
{
    m_nStyle = style;
    if (style == 1)
        m_nView = ID_VIEW_FILES;
}

void CSndView::HideItems(const std::string& list)
{
    m_catalogue.SetHiddenExtensions(list);
    Refresh();
}

void CSndView::SetHideAudioLength(int32_t seconds)
{
    m_catalogue.SetMinLength(seconds);
    Refresh();
}

void CSndView::Refresh()
{
    m_catalogue.ClearCatalogue(CLEAR_GROUP_ROWS);
    m_catalogue.RebuildGroups();
}

void CSndView::InsertFileRow(const CMusicInfo&)
{
    if (!m_catalogue.IsClearing())
        ++m_nFileRows;
}

// The view shows rows when the file list holds some (the grouped views' rows
// arrive with the result lists).
void CSndView::SyncViewAfterLoad()
{
    m_bViewEnabled = m_nFileRows > 0;
}
