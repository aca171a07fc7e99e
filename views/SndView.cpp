#include "SndView.h"
#include "catalogue/FolderScan.h"
#include "catalogue/Messages.h"
#include <cstdlib>
#include <memory>

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

// --- The window and the search

CSndView::~CSndView()
{
    StopSearch();
    WaitForWorker();
    if (Handle())
        DestroyWindow(Handle());
    m_catalogue.SetView(nullptr);
}

bool CSndView::CreateListWindows(HWND parent, const RECT& rect, UINT id)
{
    return Create("TarnwickSndView", 0, WS_CHILD | WS_CLIPSIBLINGS, rect, parent, id, LoadCursor(nullptr, IDC_ARROW),
                  GetSysColorBrush(COLOR_WINDOW));
}

void CSndView::BeginSearch()
{
    if (m_hWorker || m_requests.Requests().empty() || !Handle())
        return;
    m_requests.SetState(SEARCH_RUNNING);
    ScanStart* start = new ScanStart{};
    start->hViewWnd = Handle();
    m_catalogue.ClearCatalogue(CLEAR_MISSING);
    start->pRequests = &m_requests;
    start->pHidden = &m_catalogue.HiddenExtensions();
    for (const auto& request : m_requests.Requests())
        start->nTotalBytes += DriveUsedSpace(request.first);
    m_hWorker = StartScan(start);
    if (!m_hWorker)
        m_requests.SetState(SEARCH_IDLE); // no worker: back to idle at once
}

void CSndView::WaitForWorker()
{
    // Called from inside a message the worker is waiting on (the host closing
    // the window in an event, say): answer it first, or both would wait forever.
    if (m_hWorker && InSendMessage())
        ReplyMessage(0);
    while (m_hWorker) {
        HANDLE worker = m_hWorker;
        DWORD r = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) {
            // The thread ended (its last message may never have been answered).
            CloseHandle(worker);
            if (m_hWorker == worker)
                m_hWorker = nullptr;
            m_requests.SetState(SEARCH_IDLE);
            break;
        }
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // answers the worker's sends
    }
}

LRESULT CSndView::OnFileFound(const char* workerPath)
{
    if (!m_hWorker || m_requests.State() != SEARCH_RUNNING || !workerPath)
        return 0;
    const std::string path = workerPath; // the worker's text may go once its send was answered
    if (m_catalogue.IsInCatalogue(path.c_str()))
        return 4;
    AddingFileRecord record;
    record.pszPath = path.c_str();
    SendMessageA(GetParent(Handle()), UM_ADDINGFILE, WPARAM(&record), 0);
    LRESULT result = 0;
    if (record.bAddOk) {
        std::unique_ptr<CMusicInfo> none;
        result = m_catalogue.AddFile(&record, none);
    }
    free(record.pszInfo);
    free(record.pszTime);
    return result;
}

void CSndView::OnEndSearch()
{
    CountsRecord counts = {};
    int32_t total = 0;
    m_catalogue.GetMusicCounts(&counts.lTagged, &counts.lTotal, &total);
    SendMessageA(GetParent(Handle()), UM_ENDSEARCH, WPARAM(&counts), m_nFileRows > 0 ? TRUE : FALSE);
    m_requests.SetState(SEARCH_IDLE);
    if (m_hWorker) {
        CloseHandle(m_hWorker);
        m_hWorker = nullptr;
    }
}

LRESULT CSndView::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case UM_FILEFOUND:
        return OnFileFound(reinterpret_cast<const char*>(wp));
    case UM_QUERYABORT:
        if (wp)
            *reinterpret_cast<BOOL*>(wp) = m_requests.State() == SEARCH_IDLE;
        return 0;
    case UM_SEARCHPROGRESS:
        return SendMessageA(GetParent(Handle()), UM_SEARCHPROGRESS, wp, lp);
    case UM_ENDSEARCH:
        OnEndSearch();
        return 0;
    case UM_TRACKUPDATED:
        if (wp)
            m_catalogue.RefileAfterLookup(reinterpret_cast<CMusicInfo*>(wp));
        return 0;
    default:
        return Default(msg, wp, lp);
    }
}
