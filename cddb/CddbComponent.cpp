#include "CddbComponent.h"
#include "lookup/CddbApi.h"
#include "CddbObject.h"
#include "CddbSession.h"
#include "CddbSettings.h"
#include <new>

namespace {

// Private identities through which the component finds its own options and
// user-information objects behind the interfaces it is handed back.
constexpr IID IID_CCddbOptionsImpl = {0x1E2B5A40, 0x6C1F, 0x4F0B, {0x9D, 0x52, 0x7A, 0x31, 0xC4, 0x0E, 0x8B, 0x13}};
constexpr IID IID_CCddbUserInfoImpl = {0x1E2B5A41, 0x6C1F, 0x4F0B, {0x9D, 0x52, 0x7A, 0x31, 0xC4, 0x0E, 0x8B, 0x13}};

// Looks up one of our own objects behind a caller's pointer; null for objects
// of anyone else. The result holds a reference.
template <class T>
T* OwnObject(IUnknown* pUnknown, REFIID riid)
{
    void* p = nullptr;
    if (!pUnknown || FAILED(pUnknown->QueryInterface(riid, &p)))
        return nullptr;
    return static_cast<T*>(p);
}

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

class CCddbOptions : public CCddbObject<ICddbOptions, IID_ICddbOptions> {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv && riid == IID_CCddbOptionsImpl) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return CCddbObject::QueryInterface(riid, ppv);
    }
    STDMETHODIMP SetProgressEvents(LONG lValue) override
    {
        m_nProgressEvents = lValue;
        return S_OK;
    }
    STDMETHODIMP SetLocalLookup(LONG lValue) override
    {
        m_nLocalLookup = lValue;
        return S_OK;
    }

    LONG m_nProgressEvents = 0;
    LONG m_nLocalLookup = 1;
};

class CCddbUserInfo : public CCddbObject<ICddbUserInfo, IID_ICddbUserInfo> {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv && riid == IID_CCddbUserInfoImpl) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return CCddbObject::QueryInterface(riid, ppv);
    }
    STDMETHODIMP SetUserName(BSTR bstrUserName) override { return Set(m_strUserName, bstrUserName); }
    STDMETHODIMP SetPassword(BSTR bstrPassword) override { return Set(m_strPassword, bstrPassword); }

    std::wstring m_strUserName;
    std::wstring m_strPassword;

private:
    static HRESULT Set(std::wstring& field, BSTR text)
    {
        try {
            field = Text(text);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
};

class CCddbRegistration : public CCddbObject<ICddbRegistration, IID_ICddbRegistration> {
};

class CCddbLookupService : public CCddbObject<ICddbLookupService, IID_ICddbLookupService> {
public:
    explicit CCddbLookupService(std::shared_ptr<CCddbSession> pSession) : m_pSession(std::move(pSession)) {}

    STDMETHODIMP IdentifyFile(BSTR bstrPath, LONG, LONG* plTrack, ICddbDisc** ppDisc) override
    {
        if (!plTrack || !ppDisc)
            return E_POINTER;
        *plTrack = 0;
        *ppDisc = nullptr;
        try {
            CDiscIndexPtr pIndex = m_pSession->Index();
            CDiscIndex::CMatch match;
            pIndex->Identify(bstrPath ? bstrPath : L"", bstrPath ? SysStringLen(bstrPath) : 0, match);
            m_pSession->SetCandidates(pIndex, std::move(match.m_vecCandidates));
            if (match.m_nDisc < 0)
                return S_OK;
            HRESULT hr = CreateCddbDisc(pIndex, uint32_t(match.m_nDisc), ppDisc);
            if (SUCCEEDED(hr))
                *plTrack = match.m_nTrack;
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    std::shared_ptr<CCddbSession> m_pSession;
};

class CCddbComponent : public CCddbObject<ICddbComponent, IID_ICddbComponent> {
public:
    explicit CCddbComponent(std::shared_ptr<CCddbSession> pSession) : m_pSession(std::move(pSession)) {}

    STDMETHODIMP GetRegistration(LONG, ICddbRegistration** ppRegistration) override
    {
        if (!ppRegistration)
            return E_POINTER;
        *ppRegistration = nullptr;
        try {
            if (CddbRegisteredUser().empty())
                return S_FALSE;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        *ppRegistration = new (std::nothrow) CCddbRegistration;
        return *ppRegistration ? S_OK : E_OUTOFMEMORY;
    }
    // The local database serves any client.
    STDMETHODIMP SetClientInfo(BSTR, BSTR, BSTR, BSTR) override { return S_OK; }
    STDMETHODIMP GetUserInfo(ICddbUserInfo** ppUserInfo) override
    {
        if (!ppUserInfo)
            return E_POINTER;
        *ppUserInfo = new (std::nothrow) CCddbUserInfo;
        return *ppUserInfo ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP RegisterUser(ICddbUserInfo* pUserInfo) override
    {
        CCddbUserInfo* pInfo = OwnObject<CCddbUserInfo>(pUserInfo, IID_CCddbUserInfoImpl);
        if (!pInfo)
            return E_INVALIDARG;
        HRESULT hr = E_INVALIDARG;
        try {
            if (!pInfo->m_strUserName.empty()) {
                LONG err = CddbRegisterUser(pInfo->m_strUserName, pInfo->m_strPassword);
                hr = err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err);
            }
        } catch (...) {
            hr = E_OUTOFMEMORY;
        }
        pInfo->Release();
        return hr;
    }
    STDMETHODIMP GetOptions(ICddbOptions** ppOptions) override
    {
        if (!ppOptions)
            return E_POINTER;
        CCddbOptions* pOptions = new (std::nothrow) CCddbOptions;
        *ppOptions = pOptions;
        if (!pOptions)
            return E_OUTOFMEMORY;
        pOptions->m_nProgressEvents = m_nProgressEvents;
        pOptions->m_nLocalLookup = m_nLocalLookup;
        return S_OK;
    }
    STDMETHODIMP SetOptions(ICddbOptions* pOptions) override
    {
        CCddbOptions* pOwn = OwnObject<CCddbOptions>(pOptions, IID_CCddbOptionsImpl);
        if (!pOwn)
            return E_INVALIDARG;
        m_nProgressEvents = pOwn->m_nProgressEvents;
        m_nLocalLookup = pOwn->m_nLocalLookup;
        pOwn->Release();
        return S_OK;
    }
    STDMETHODIMP GetResultList(ICddbResultList** ppResults) override { return m_pSession->GetResultList(ppResults); }
    // Nothing is shown and no message sent, so the window is only kept.
    STDMETHODIMP SetWindow(LONG_PTR hwnd, LONG) override
    {
        m_hWnd = hwnd;
        return S_OK;
    }
    STDMETHODIMP GetLookupService(ICddbLookupService** ppService) override
    {
        if (!ppService)
            return E_POINTER;
        *ppService = new (std::nothrow) CCddbLookupService(m_pSession);
        return *ppService ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP TestStatus(LONG) override
    {
        try {
            return m_pSession->DatabaseReadable() ? S_OK : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    std::shared_ptr<CCddbSession> m_pSession;
    LONG_PTR m_hWnd = 0;
    LONG m_nProgressEvents = 0;
    LONG m_nLocalLookup = 1;
};

} // namespace

HRESULT CreateCddbComponent(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    CCddbComponent* pComponent;
    try {
        pComponent = new CCddbComponent(std::make_shared<CCddbSession>(CddbDatabaseFolder()));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = pComponent->QueryInterface(riid, ppv);
    pComponent->Release();
    return hr;
}
