// The sound view's track lookup: setting up the CDDB component, and the worker
// that looks up every untagged MP3 of the catalogue while the window thread
// keeps answering messages.
#include "SndView.h"
#include "catalogue/Messages.h"
#include "framework/Module.h"
#include <atomic>
#include <new>

// What the lookup worker is handed. It lives in RunLookup's frame, so the
// records the worker sends stay valid until the worker has ended, even when
// the window goes inside one of the look-up's events.
struct LookupJob {
    const CCatalogue::FileIndex* pFiles = nullptr;
    platform::TextCode code = platform::CODE_ANSI; // of the records' texts
    HWND hViewWnd = nullptr; // its parent, the control window, hears the progress
    int32_t nTotal = 0;      // MP3 records when the look-up began
    int32_t nTagged = 0;     // tagged MP3 records then
    BOOL bChanged = FALSE;   // set by the worker when it filled in any record
    std::atomic<bool> bCancel{false}; // the window is going: end after the entry in hand
    CObjectRef<ICddbComponent> pCddb; // counted copies for the run; none when not set up
    CObjectRef<ICddbLookupService> pService;
    ProgressRecord progress = {};
    CountsRecord counts = {};
    BOOL bRetry = TRUE;
};

namespace {

// A call whose result the look-up cannot do without: its failure, or
// E_POINTER when it succeeded without giving the object.
HRESULT Required(HRESULT hr, const void* object) { return FAILED(hr) ? hr : object ? S_OK : E_POINTER; }

int32_t Percent(int32_t visited, int32_t total)
{
    if (total <= 0)
        return 0;
    double percent = double(visited) / double(total) * 100.0;
    return percent < 0 ? 0 : percent > 100 ? 100 : int32_t(percent);
}

int32_t LookupOnce(const CMusicInfo& info, CTrackFound& found, platform::TextCode code)
{
    try {
        return info.LookupTrack(found, code);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

DWORD WINAPI LookupThread(LPVOID param)
{
    LookupJob& job = *static_cast<LookupJob*>(param);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    HWND control = GetParent(job.hViewWnd);
    const int32_t untaggedAtStart = job.nTotal - job.nTagged;
    int32_t visited = 0, updated = 0;
    SendMessageA(control, UM_STARTLOOKUP, 0, 0);
    bool stop = false;
    for (auto entry = job.pFiles->begin(); entry != job.pFiles->end() && !stop && !job.bCancel; ++entry) {
        CMusicInfo* info = entry->second.get();
        if (info && info->m_nFileType == 1) {
            ++visited;
            if (!info->m_bTagged) {
                // The record itself changes only on the window's thread, when
                // it takes in what was found: a host's call meanwhile (a save,
                // a refile) never meets it half filled in.
                CTrackFound found;
                int32_t result = LookupOnce(*info, found, job.code);
                while (result < 0 && !stop) {
                    job.bRetry = TRUE;
                    SendMessageA(control, UM_LOOKUPERROR, WPARAM(result), LPARAM(&job.bRetry));
                    if (job.bRetry && !job.bCancel)
                        result = LookupOnce(*info, found, job.code);
                    else
                        stop = true;
                }
                if (stop)
                    break; // no progress for the entry that ended the look-up
                if (result == 1) {
                    SendMessageA(job.hViewWnd, UM_TRACKUPDATED, WPARAM(info), LPARAM(&found));
                    job.bChanged = TRUE;
                    ++updated;
                }
            }
        }
        job.progress = {Percent(visited, job.nTotal), 0, 0, FALSE};
        SendMessageA(control, UM_LOOKUPPROGRESS, WPARAM(&job.progress), 0);
        stop = job.progress.bAbort != FALSE;
    }
    job.progress = {100, 0, 0, FALSE};
    SendMessageA(control, UM_LOOKUPPROGRESS, WPARAM(&job.progress), 0);
    job.counts.lTotal = untaggedAtStart;
    job.counts.lTagged = updated;
    SendMessageA(control, UM_ENDLOOKUP, WPARAM(&job.counts), 0);
    CoUninitialize();
    return 0;
}

// Dispatches every message of this thread until the thread has ended. The wait
// also wakes for messages that were already waiting when the look-up began. A
// quit message met meanwhile is posted again for the host's own loop.
void PumpUntilEnded(HANDLE thread)
{
    bool quit = false;
    WPARAM quitCode = 0;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit)
        PostQuitMessage(int(quitCode));
}

} // namespace

int32_t CSndView::SetupLookup(const std::string& clientId, const std::string& clientTag, const std::string& version)
{
    if (m_bLookupSetupOk)
        return S_OK;
    m_pCddb.Reset(); // a component without a registered user is made anew
    HRESULT hr = CoCreateInstance(CLSID_CddbComponent, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                  IID_ICddbComponent, reinterpret_cast<void**>(m_pCddb.Out()));
    if (FAILED(hr = Required(hr, m_pCddb.Get())))
        return hr;
    BSTR id = fw::ToBstr(clientId), tag = fw::ToBstr(clientTag), ver = fw::ToBstr(version);
    BSTR none = SysAllocString(L"");
    hr = m_pCddb->SetClientInfo(id, tag, ver, none);
    SysFreeString(id);
    SysFreeString(tag);
    SysFreeString(ver);
    SysFreeString(none);
    if (FAILED(hr) || FAILED(hr = m_pCddb->SetWindow(LONG_PTR(Handle()), 2)))
        return hr;
    CObjectRef<ICddbOptions> options;
    hr = m_pCddb->GetOptions(options.Out());
    if (FAILED(hr = Required(hr, options.Get())))
        return hr;
    options->SetLocalLookup(1);
    options->SetProgressEvents(0);
    if (FAILED(hr = m_pCddb->SetOptions(options.Get())))
        return hr;
    return AskRegistration();
}

// With a registered user the look-up service is kept and the look-up is set
// up (S_OK); without one, 1; a failing component, its code.
int32_t CSndView::AskRegistration()
{
    CObjectRef<ICddbRegistration> registration;
    HRESULT hr = m_pCddb->GetRegistration(0, registration.Out());
    if (FAILED(hr))
        return hr;
    if (!registration)
        return 1;
    CObjectRef<ICddbLookupService> service;
    hr = m_pCddb->GetLookupService(service.Out());
    if (FAILED(hr = Required(hr, service.Get())))
        return hr;
    m_pLookupService = service;
    m_bLookupSetupOk = true;
    return S_OK;
}

bool CSndView::SetLookupUser(const std::string& user, const std::string& password)
{
    CObjectRef<ICddbUserInfo> info;
    if (!m_pCddb || FAILED(m_pCddb->GetUserInfo(info.Out())) || !info)
        return m_bLookupSetupOk;
    BSTR name = fw::ToBstr(user), secret = fw::ToBstr(password);
    info->SetUserName(name);
    info->SetPassword(secret);
    SysFreeString(name);
    SysFreeString(secret);
    if (SUCCEEDED(m_pCddb->RegisterUser(info.Get())))
        AskRegistration();
    return m_bLookupSetupOk;
}

bool CSndView::PingLookup() const { return m_pCddb && m_bLookupSetupOk && SUCCEEDED(m_pCddb->TestStatus(0)); }

bool CSndView::RunLookup()
{
    // The worker walks the file index unlocked: no search may change it meanwhile.
    if (m_pLookupJob || m_hWorker || !Handle())
        return false;
    LookupJob job;
    int32_t all = 0;
    m_catalogue.GetMusicCounts(&job.nTagged, &job.nTotal, &all);
    job.pFiles = &m_catalogue.Files();
    job.code = m_catalogue.TextCode();
    job.hViewWnd = Handle();
    if (m_bLookupSetupOk) {
        job.pCddb = m_pCddb;
        job.pService = m_pLookupService;
    }
    // Every record the worker will look up gets the component's pointers
    // here, so that the worker only reads records.
    for (const auto& entry : m_catalogue.Files()) {
        CMusicInfo* info = entry.second.get();
        if (info && info->m_nFileType == 1 && !info->m_bTagged) {
            info->m_pCddb = job.pCddb.Get();
            info->m_pLookupService.Set(job.pService.Get());
        }
    }
    HANDLE thread = CreateThread(nullptr, 0, LookupThread, &job, 0, nullptr);
    if (thread) {
        m_pLookupJob = &job;
        m_hLookup = thread;
        PumpUntilEnded(thread);
        m_pLookupJob = nullptr;
        m_hLookup = nullptr;
        CloseHandle(thread);
        ResumeWatchChanges();
    }
    // The refiled records now stand under new groups: the shown grouped view
    // is built anew, emptied first so that no group is listed twice.
    if (job.bChanged)
        RebuildShownGroupView();
    return job.bChanged != FALSE;
}

void CSndView::StopLookup()
{
    if (!m_pLookupJob)
        return;
    m_pLookupJob->bCancel = true;
    // Inside a message the worker waits on (a host closing the window in one
    // of the look-up's events): answer it first, or both would wait forever.
    if (InSendMessage())
        ReplyMessage(0);
    HANDLE thread = m_hLookup;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // answers the worker's sends
    }
}
