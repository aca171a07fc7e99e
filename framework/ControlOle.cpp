// CControlBase as an OLE object: site, verbs, extent, advise, status.
#include "ControlBase.h"
#include "EnumVerbs.h"
#include <new>

namespace fw {

namespace {

const LONG VERB_PROPERTIES = 1;

// The verbs containers are told of, in ascending order: the standard ones
// DoVerb carries out, and on the container's menu for the object the primary
// verb and the property frame. The two Properties entries go first and last
// so that a control without a property page can leave them out.
const OLEVERB kVerbs[] = {
    {OLEIVERB_PROPERTIES, const_cast<LPOLESTR>(L"&Properties..."), 0, 0},
    {OLEIVERB_INPLACEACTIVATE, const_cast<LPOLESTR>(L"Activate in place"), 0, OLEVERBATTRIB_NEVERDIRTIES},
    {OLEIVERB_UIACTIVATE, const_cast<LPOLESTR>(L"Activate"), 0, OLEVERBATTRIB_NEVERDIRTIES},
    {OLEIVERB_HIDE, const_cast<LPOLESTR>(L"Hide"), 0, OLEVERBATTRIB_NEVERDIRTIES},
    {OLEIVERB_SHOW, const_cast<LPOLESTR>(L"Show"), 0, OLEVERBATTRIB_NEVERDIRTIES},
    {OLEIVERB_PRIMARY, const_cast<LPOLESTR>(L"&Edit"), 0, OLEVERBATTRIB_NEVERDIRTIES | OLEVERBATTRIB_ONCONTAINERMENU},
    {VERB_PROPERTIES, const_cast<LPOLESTR>(L"&Properties..."), 0, OLEVERBATTRIB_ONCONTAINERMENU},
};
const ULONG kVerbCount = sizeof kVerbs / sizeof kVerbs[0];

} // namespace

// --- IOleObject

STDMETHODIMP CControlBase::SetClientSite(IOleClientSite* site)
{
    if (site != m_pClientSite.Get())
        InPlaceDeactivate(); // the window belonged to the old site
    m_pClientSite.Set(site);
    return S_OK;
}

STDMETHODIMP CControlBase::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    m_pClientSite.CopyTo(site);
    return S_OK;
}

STDMETHODIMP CControlBase::Close(DWORD saveOption)
{
    if (m_bModified && m_pClientSite && (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE))
        m_pClientSite->SaveObject();
    InPlaceDeactivate();
    if (m_pOleAdvise)
        m_pOleAdvise->SendOnClose();
    return S_OK;
}

STDMETHODIMP CControlBase::GetMoniker(DWORD, DWORD, IMoniker** m)
{
    if (m)
        *m = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CControlBase::GetClipboardData(DWORD, IDataObject** d)
{
    if (d)
        *d = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT)
{
    if (!site)
        site = m_pClientSite.Get();
    HRESULT hr;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        hr = ActivateInPlace(site, parent);
        return SUCCEEDED(hr) ? UIActivate(true) : hr;
    case OLEIVERB_INPLACEACTIVATE:
        return ActivateInPlace(site, parent);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (m_hWnd)
            ShowWindow(m_hWnd, SW_HIDE);
        return S_OK;
    case OLEIVERB_PROPERTIES:
    case VERB_PROPERTIES:
        if (PropertyPage())
            return ShowProperties(parent);
        break;
    default:
        break;
    }
    if (verb < 0)
        return E_NOTIMPL;
    // A positive verb we do not know is taken as the primary verb.
    hr = DoVerb(OLEIVERB_PRIMARY, nullptr, site, 0, parent, nullptr);
    return SUCCEEDED(hr) ? OLEOBJ_S_INVALIDVERB : hr;
}

STDMETHODIMP CControlBase::EnumVerbs(IEnumOLEVERB** e)
{
    if (PropertyPage())
        return CEnumVerbs::Create(kVerbs, kVerbCount, e);
    return CEnumVerbs::Create(kVerbs + 1, kVerbCount - 2, e);
}

// The Properties verb: the container's own property frame where it has one,
// else the system's frame over our pages, owned by the container's window.
HRESULT CControlBase::ShowProperties(HWND owner)
{
    {
        CComPtr<IOleControlSite> site; // let go before the system's frame comes up
        if (ControlSiteOf(site) && site->ShowPropertyFrame() == S_OK)
            return S_OK;
    }
    CAUUID pages = {};
    HRESULT hr = GetPages(&pages);
    if (FAILED(hr))
        return hr;
    if (!owner && m_hWnd)
        owner = GetParent(m_hWnd);
    LPOLESTR caption = nullptr;
    GetUserType(USERCLASSTYPE_FULL, &caption);
    // The container may deactivate or release us while the frame is up.
    AddRef();
    CComPtr<IOleInPlaceFrame> frame;
    frame.Set(m_pFrame.Get());
    if (frame)
        frame->EnableModeless(FALSE);
    IUnknown* self = static_cast<IDispatch*>(this);
    hr = OleCreatePropertyFrame(owner, 0, 0, caption, 1, &self, pages.cElems, pages.pElems, LOCALE_USER_DEFAULT, 0,
                                nullptr);
    if (frame)
        frame->EnableModeless(TRUE);
    CoTaskMemFree(caption);
    CoTaskMemFree(pages.pElems);
    Release();
    return hr;
}

STDMETHODIMP CControlBase::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP CControlBase::GetUserType(DWORD, LPOLESTR* type)
{
    if (!type)
        return E_POINTER;
    const char* name = UserTypeName();
    int n = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
    *type = static_cast<LPOLESTR>(CoTaskMemAlloc(size_t(n) * sizeof(wchar_t)));
    if (!*type)
        return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_ACP, 0, name, -1, *type, n);
    return S_OK;
}

STDMETHODIMP CControlBase::SetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    m_extent = *size;
    return S_OK;
}

STDMETHODIMP CControlBase::GetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP CControlBase::Advise(IAdviseSink* sink, DWORD* cookie)
{
    if (!m_pOleAdvise && FAILED(CreateOleAdviseHolder(m_pOleAdvise.Out())))
        return E_OUTOFMEMORY;
    return m_pOleAdvise->Advise(sink, cookie);
}

STDMETHODIMP CControlBase::Unadvise(DWORD cookie)
{
    return m_pOleAdvise ? m_pOleAdvise->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CControlBase::EnumAdvise(IEnumSTATDATA** e)
{
    if (!e)
        return E_POINTER;
    *e = nullptr;
    return m_pOleAdvise ? m_pOleAdvise->EnumAdvise(e) : S_OK;
}

STDMETHODIMP CControlBase::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = MiscStatus();
    return S_OK;
}

} // namespace fw
