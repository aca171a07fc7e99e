// The sound view's folder search: starting and stopping the scan worker, and
// the worker's messages, which arrive on the window's thread while it waits.
#include "SndView.h"
#include "catalogue/Messages.h"
#include "framework/Module.h"
#include "scan/FolderScan.h"
#include <cstdlib>

void CSndView::BeginSearch()
{
    if (m_hWorker || m_pLookupJob || m_requests.Requests().empty() || !Handle())
        return;
    DropNoneFoundRow();
    m_requests.SetState(SEARCH_RUNNING);
    m_bStopping = false;
    m_mapRefused.clear(); // the search offers every file again
    ScanStart* start = new ScanStart;
    start->hViewWnd = Handle();
    m_catalogue.ClearCatalogue(CLEAR_MISSING);
    PurgeFileList(ID_VIEW_FILES);
    for (const auto& request : m_requests.Requests()) {
        start->requests.emplace_back(request.first, CSearchRequests::ExtensionList(request.second));
        // A folder root counts what lies below it, which the worker sums.
        if (!CSearchRequests::IsFolderKey(request.first))
            start->nTotalBytes += DriveUsedSpace(request.first, m_catalogue.TextCode());
    }
    start->strHidden = m_catalogue.HiddenExtensions();
    start->code = m_catalogue.TextCode();
    m_hWorker = StartScan(start);
    if (!m_hWorker)
        m_requests.SetState(SEARCH_IDLE); // no worker: back to idle at once
}

void CSndView::StopSearch()
{
    if (m_hWorker)
        m_bStopping = true;
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
            EndWorker();
            break;
        }
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // answers the worker's sends
    }
}

// The worker has ended: the table may change again and a new search may start.
void CSndView::EndWorker()
{
    m_requests.SetState(SEARCH_IDLE);
    m_bStopping = false;
    if (m_hWorker) {
        CloseHandle(m_hWorker);
        m_hWorker = nullptr;
    }
    ResumeWatchChanges();
}

LRESULT CSndView::OnFileFound(const char* workerPath)
{
    if (!m_hWorker || m_bStopping || !workerPath)
        return 0;
    return OfferFile(workerPath); // a copy: the worker's text may go once its send was answered
}

LRESULT CSndView::OfferFile(const std::string& path)
{
    if (m_catalogue.IsInCatalogue(path.c_str()))
        return 4;
    AddingFileRecord record;
    record.pszPath = path.c_str();
    // With extended tags the file is read first, so that the host is offered
    // its playing time; a file the host declines takes its reading with it.
    std::unique_ptr<CMusicInfo> read;
    if (m_catalogue.ExtendedTags()) {
        read.reset(new CMusicInfo);
        ReadMusicFile(*read, path.c_str(), true, m_catalogue.TextCode());
        record.lLength = read->m_lLength;
        record.pszTime = strdup(read->m_strTime.c_str());
    }
    SendMessageA(GetParent(Handle()), UM_ADDINGFILE, WPARAM(&record), 0);
    LRESULT result = 0;
    if (record.bAddOk) {
        DropNoneFoundRow(); // a watch may add to a list that found nothing
        result = m_catalogue.AddFile(&record, read);
    } else if (m_bWatch) {
        FileState state = ProbeFile(path, m_catalogue.TextCode());
        if (state.bExists)
            NoteRefused(path, state.nSize, state.nTime);
    }
    free(record.pszInfo);
    free(record.pszTime);
    return result;
}

void CSndView::OnEndSearch()
{
    EndFilling();
    EmptyGroupedList();
    bool found = m_fileList.ItemCount() > 0;
    if (!found && !m_strNoFileFound.empty()) {
        m_bViewEnabled = false;
        InsertNoneFoundRow();
    }
    CountsRecord counts = {};
    int32_t total = 0;
    m_catalogue.GetMusicCounts(&counts.lTagged, &counts.lTotal, &total);
    SendMessageA(GetParent(Handle()), UM_ENDSEARCH, WPARAM(&counts), found ? TRUE : FALSE);
    if (ItemCount() == 0) // a host that switched views in EndSearch has had its view built already
        BuildGroupRows(-1);
    EndWorker();
}

// The worker's messages to the view, answered on the window's thread.
bool CSndView::OnSearchMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case UM_FILEFOUND:
        result = OnFileFound(reinterpret_cast<const char*>(wp));
        return true;
    case UM_QUERYABORT:
        if (wp)
            *reinterpret_cast<BOOL*>(wp) = m_bStopping || m_requests.State() == SEARCH_IDLE;
        return true;
    case UM_SEARCHPROGRESS: {
        // The host answers on a copy. It may close the window inside the
        // event, which answers the worker and lets it end: its record is
        // written back only while the worker still waits for this answer.
        auto* record = reinterpret_cast<ProgressRecord*>(wp);
        if (!record)
            return true;
        ProgressRecord answer = *record;
        SendMessageA(GetParent(Handle()), UM_SEARCHPROGRESS, WPARAM(&answer), lp);
        if (!(InSendMessageEx(nullptr) & ISMEX_REPLIED))
            record->bAbort = answer.bAbort;
        return true;
    }
    case UM_ENDSEARCH:
        OnEndSearch();
        return true;
    default:
        return false;
    }
}
