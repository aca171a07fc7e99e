// The sound view's track lookup: setting up the CDDB component, and running
// the lookup worker over the catalogue.
#include "SndView.h"
#include "framework/Module.h"
#include "lookup/LookupWorker.h"

namespace {

// A call whose result the look-up cannot do without: its failure, or
// E_POINTER when it succeeded without giving the object.
HRESULT Required(HRESULT hr, const void* object) { return FAILED(hr) ? hr : object ? S_OK : E_POINTER; }

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
    HANDLE thread = StartLookupWorker(job);
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
    if (m_pLookupJob)
        CancelLookupWorker(*m_pLookupJob, m_hLookup);
}
