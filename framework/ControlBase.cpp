// CControlBase: its identity and lifetime, type information and events, the
// keyboard information, ambient properties, connection points, class
// information, property pages and quick activation. The OLE object, in-place
// activation and view, and persistence are in files of their own.
#include "ControlBase.h"
#include <new>

namespace fw {

CControlBase::CControlBase(const CLSID& clsid, const IID& dispIid, const IID& eventIid, const GUID& libId)
    : m_clsid(clsid), m_dispIid(dispIid), m_libId(libId),
      m_events(static_cast<IDispatch*>(this), static_cast<IConnectionPointContainer*>(this), eventIid)
{
}

CControlBase::~CControlBase()
{
    // Let go in this order: the advise sinks, then the site.
    m_pViewAdvise.Reset();
    m_pOleAdvise.Reset();
    m_pClientSite.Reset();
}

STDMETHODIMP CControlBase::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    IUnknown* p = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_dispIid)
        p = static_cast<IDispatch*>(this);
    else if (riid == IID_IOleObject)
        p = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleControl)
        p = static_cast<IOleControl*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject)
        p = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IOleInPlaceActiveObject)
        p = static_cast<IOleInPlaceActiveObject*>(this);
    else if (riid == IID_IViewObject || riid == IID_IViewObject2)
        p = static_cast<IViewObject2*>(this);
    else if (riid == IID_IPersist || riid == IID_IPersistStreamInit)
        p = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IPersistPropertyBag)
        p = static_cast<IPersistPropertyBag*>(this);
    else if (riid == IID_IPersistStorage)
        p = static_cast<IPersistStorage*>(this);
    else if (riid == IID_IConnectionPointContainer)
        p = static_cast<IConnectionPointContainer*>(this);
    else if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
        p = static_cast<IProvideClassInfo2*>(this);
    else if (riid == IID_ISpecifyPropertyPages)
        p = static_cast<ISpecifyPropertyPages*>(this);
    else if (riid == IID_IQuickActivate)
        p = static_cast<IQuickActivate*>(this);
    *ppv = p;
    if (!p)
        return E_NOINTERFACE;
    p->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CControlBase::AddRef() { return ULONG(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CControlBase::Release()
{
    LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0) {
        // A container that let go without closing: the window goes first, while
        // the derived control still exists to handle its destruction.
        if (m_pInPlaceSite) {
            m_cRef = 1;
            InPlaceDeactivate();
            m_cRef = 0;
        }
        delete this;
    }
    return ULONG(n);
}

// Type information: the registered library first, then the module's own copy.
HRESULT CControlBase::LoadTypeInfo(REFGUID guid, LCID lcid, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadRegTypeLib(m_libId, 1, 0, lcid, &lib);
    if (FAILED(hr)) {
        wchar_t path[MAX_PATH];
        if (!GetModuleFileNameW(ModuleInstance(), path, MAX_PATH))
            return TYPE_E_CANTLOADLIBRARY;
        hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    }
    if (FAILED(hr))
        return hr;
    hr = lib->GetTypeInfoOfGuid(guid, info);
    lib->Release();
    return hr;
}

STDMETHODIMP CControlBase::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CControlBase::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info)
{
    if (index != 0) {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    return LoadTypeInfo(m_dispIid, lcid, info);
}

// The caller holds the control too (a window procedure or Invoke does): a
// sink that lets it go mid-event frees it only once the caller is done.
void CControlBase::FireEvent(DISPID id, CEventArgs& args)
{
    if (m_nFreeze != 0)
        return;
    AddRef();
    m_events.Fire(id, args.Data(), args.Count());
    Release();
}

// --- IOleControl

STDMETHODIMP CControlBase::GetControlInfo(CONTROLINFO* info)
{
    if (!info)
        return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP CControlBase::FreezeEvents(BOOL freeze)
{
    if (freeze)
        ++m_nFreeze;
    else if (m_nFreeze > 0)
        --m_nFreeze;
    return S_OK;
}

// --- Ambient properties

HRESULT CControlBase::GetAmbientProperty(DISPID id, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    CComPtr<IDispatch> ambient;
    if (!m_pClientSite ||
        FAILED(m_pClientSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambient.Out()))) || !ambient)
        return E_NOINTERFACE;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    HRESULT hr = ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr,
                                 nullptr);
    if (FAILED(hr))
        VariantClear(value);
    return hr;
}

bool CControlBase::IsUserMode()
{
    VARIANT mode;
    if (FAILED(GetAmbientProperty(DISPID_AMBIENT_USERMODE, &mode)))
        return true;
    VARIANT flag;
    VariantInit(&flag);
    bool user = FAILED(VariantChangeType(&flag, &mode, 0, VT_BOOL)) || flag.boolVal != VARIANT_FALSE;
    VariantClear(&mode);
    return user;
}

bool CControlBase::ControlSiteOf(CComPtr<IOleControlSite>& site) const
{
    return m_pClientSite &&
           SUCCEEDED(m_pClientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(site.Out()))) &&
           site;
}

void CControlBase::NotifyControlInfoChanged()
{
    CComPtr<IOleControlSite> site;
    if (!ControlSiteOf(site))
        return;
    site->OnControlInfoChanged();
    site->OnFocus(TRUE);
}

// --- Connection points, class information, property pages

STDMETHODIMP CControlBase::EnumConnectionPoints(IEnumConnectionPoints** e)
{
    return EnumOneConnectionPoint(&m_events, e);
}

STDMETHODIMP CControlBase::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (riid != m_events.Iid())
        return CONNECT_E_NOCONNECTION;
    *point = &m_events;
    m_events.AddRef();
    return S_OK;
}

STDMETHODIMP CControlBase::GetClassInfo(ITypeInfo** info) { return LoadTypeInfo(m_clsid, LOCALE_USER_DEFAULT, info); }

STDMETHODIMP CControlBase::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = m_events.Iid();
    return S_OK;
}

STDMETHODIMP CControlBase::GetPages(CAUUID* pages)
{
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    const CLSID* page = PropertyPage();
    if (!page)
        return S_OK;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems)
        return E_OUTOFMEMORY;
    pages->pElems[0] = *page;
    pages->cElems = 1;
    return S_OK;
}

} // namespace fw

namespace fw {

STDMETHODIMP CControlBase::QuickActivate(QACONTAINER* container, QACONTROL* control)
{
    if (!container || !control)
        return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    control->dwMiscStatus = MiscStatus();
    control->dwViewStatus = 0;
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    if (container->pUnkEventSink)
        m_events.Advise(container->pUnkEventSink, &control->dwEventCookie);
    return S_OK;
}

} // namespace fw
