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

CControlBase::CControlBase(const CLSID& clsid, const IID& dispIid, const IID& eventIid, const GUID& libId)
    : m_clsid(clsid), m_dispIid(dispIid), m_libId(libId),
      m_events(static_cast<IDispatch*>(this), static_cast<IConnectionPointContainer*>(this), eventIid)
{
}

CControlBase::~CControlBase()
{
    if (m_pViewAdvise)
        m_pViewAdvise->Release();
    if (m_pOleAdvise)
        m_pOleAdvise->Release();
    if (m_pClientSite)
        m_pClientSite->Release();
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

// --- IOleObject

STDMETHODIMP CControlBase::SetClientSite(IOleClientSite* site)
{
    if (site != m_pClientSite)
        InPlaceDeactivate(); // the window belonged to the old site
    if (site)
        site->AddRef();
    if (m_pClientSite)
        m_pClientSite->Release();
    m_pClientSite = site;
    return S_OK;
}

STDMETHODIMP CControlBase::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = m_pClientSite;
    if (m_pClientSite)
        m_pClientSite->AddRef();
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
        site = m_pClientSite;
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
    IOleControlSite* controlSite = nullptr;
    if (m_pClientSite &&
        SUCCEEDED(m_pClientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite))) &&
        controlSite) {
        HRESULT shown = controlSite->ShowPropertyFrame();
        controlSite->Release();
        if (shown == S_OK)
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
    IOleInPlaceFrame* frame = m_pFrame;
    if (frame) {
        frame->AddRef();
        frame->EnableModeless(FALSE);
    }
    IUnknown* self = static_cast<IDispatch*>(this);
    hr = OleCreatePropertyFrame(owner, 0, 0, caption, 1, &self, pages.cElems, pages.pElems, LOCALE_USER_DEFAULT, 0,
                                nullptr);
    if (frame) {
        frame->EnableModeless(TRUE);
        frame->Release();
    }
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
    if (!m_pOleAdvise && FAILED(CreateOleAdviseHolder(&m_pOleAdvise)))
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

// --- In-place activation

// In-place activation: the window inside the container's, shown. The control
// has no window of its own to open elsewhere, so a container that refuses
// in-place activation gets OLE_E_NOT_INPLACEACTIVE.
HRESULT CControlBase::ActivateInPlace(IOleClientSite* site, HWND parent)
{
    if (!site)
        return E_UNEXPECTED;
    if (!m_pInPlaceSite) {
        IOleInPlaceSite* ips = nullptr;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ips))) || !ips)
            return OLE_E_NOT_INPLACEACTIVE;
        if (ips->CanInPlaceActivate() != S_OK) {
            ips->Release();
            return OLE_E_NOT_INPLACEACTIVE;
        }
        ips->OnInPlaceActivate();
        HWND window = nullptr;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO frameInfo = {};
        frameInfo.cb = sizeof frameInfo;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* doc = nullptr;
        ips->GetWindow(&window);
        ips->GetWindowContext(&frame, &doc, &pos, &clip, &frameInfo);
        if (!window)
            window = parent;
        m_hWnd = CreateControlWindow(window, pos);
        if (!m_hWnd) {
            if (frame)
                frame->Release();
            if (doc)
                doc->Release();
            ips->OnInPlaceDeactivate();
            ips->Release();
            return E_FAIL;
        }
        m_pInPlaceSite = ips;
        m_pFrame = frame;
        m_pUIWindow = doc;
    }
    ShowWindow(m_hWnd, SW_SHOWNA); // again after the Hide verb
    site->ShowObject();
    return S_OK;
}

// The container hears of the user interface before the frame and document
// window are given the active object; the control needs no border space.
HRESULT CControlBase::UIActivate(bool takeFocus)
{
    if (!m_pInPlaceSite)
        return E_UNEXPECTED;
    if (!m_bUIActive) {
        m_bUIActive = true;
        HRESULT hr = m_pInPlaceSite->OnUIActivate();
        if (FAILED(hr)) {
            m_bUIActive = false;
            return hr;
        }
        IOleInPlaceActiveObject* active = this;
        if (m_pFrame)
            m_pFrame->SetActiveObject(active, nullptr);
        if (m_pUIWindow)
            m_pUIWindow->SetActiveObject(active, nullptr);
        if (m_pFrame)
            m_pFrame->SetBorderSpace(nullptr);
        if (m_pUIWindow)
            m_pUIWindow->SetBorderSpace(nullptr);
    }
    HWND focus = GetFocus();
    if (takeFocus && m_hWnd && focus != m_hWnd && !IsChild(m_hWnd, focus))
        SetFocus(m_hWnd);
    return S_OK;
}

void CControlBase::ActivateUI()
{
    if (!m_bUIActive && m_pInPlaceSite)
        UIActivate(true);
}

void CControlBase::OnFocusChange()
{
    HWND focus = GetFocus();
    bool inside = m_pInPlaceSite && m_hWnd && focus && (focus == m_hWnd || IsChild(m_hWnd, focus));
    if (inside && !m_bUIActive)
        UIActivate(false);
    SetFocusState(inside);
}

void CControlBase::SetFocusState(bool inside)
{
    if (inside == m_bFocus)
        return;
    m_bFocus = inside;
    IOleControlSite* controlSite = nullptr;
    if (m_pClientSite &&
        SUCCEEDED(m_pClientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite))) &&
        controlSite) {
        controlSite->OnFocus(inside);
        controlSite->Release();
    }
}

STDMETHODIMP CControlBase::GetWindow(HWND* hwnd)
{
    if (!hwnd)
        return E_POINTER;
    *hwnd = m_hWnd;
    return m_hWnd ? S_OK : E_FAIL;
}

STDMETHODIMP CControlBase::UIDeactivate()
{
    if (!m_bUIActive)
        return S_OK;
    m_bUIActive = false;
    if (m_pUIWindow)
        m_pUIWindow->SetActiveObject(nullptr, nullptr);
    if (m_pFrame)
        m_pFrame->SetActiveObject(nullptr, nullptr);
    if (m_pInPlaceSite)
        m_pInPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP CControlBase::InPlaceDeactivate()
{
    if (!m_pInPlaceSite)
        return S_OK;
    UIDeactivate();
    SetFocusState(false); // the windows that held it go
    // No longer in place while the window goes: its focus changes activate nothing.
    IOleInPlaceSite* site = m_pInPlaceSite;
    m_pInPlaceSite = nullptr;
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    if (m_pFrame)
        m_pFrame->Release();
    if (m_pUIWindow)
        m_pUIWindow->Release();
    m_pFrame = nullptr;
    m_pUIWindow = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
    return S_OK;
}

STDMETHODIMP CControlBase::SetObjectRects(LPCRECT pos, LPCRECT)
{
    if (!pos)
        return E_POINTER;
    if (m_hWnd)
        MoveWindow(m_hWnd, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
    return S_OK;
}

STDMETHODIMP CControlBase::TranslateAccelerator(LPMSG msg)
{
    return msg && PreTranslateMessage(msg) ? S_OK : S_FALSE;
}

// --- IViewObject2

void CControlBase::OnDrawMetafile(HDC hdc, const RECT& rect)
{
    FillRect(hdc, &rect, GetSysColorBrush(COLOR_WINDOW));
}

STDMETHODIMP CControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdc, LPCRECTL bounds, LPCRECTL,
                                BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!hdc || !bounds)
        return E_INVALIDARG;
    RECT rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    OnDrawMetafile(hdc, rect);
    return S_OK;
}

STDMETHODIMP CControlBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** set)
{
    if (set)
        *set = nullptr;
    return S_FALSE;
}

STDMETHODIMP CControlBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink)
{
    if (sink)
        sink->AddRef();
    if (m_pViewAdvise)
        m_pViewAdvise->Release();
    m_pViewAdvise = sink;
    m_nViewAdviseAspects = aspects;
    m_nViewAdviseFlags = flags;
    return S_OK;
}

STDMETHODIMP CControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink)
{
    if (aspects)
        *aspects = m_nViewAdviseAspects;
    if (flags)
        *flags = m_nViewAdviseFlags;
    if (sink) {
        *sink = m_pViewAdvise;
        if (m_pViewAdvise)
            m_pViewAdvise->AddRef();
    }
    return S_OK;
}

STDMETHODIMP CControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size)
{
    return GetExtent(aspect, size);
}

void CControlBase::NotifyViewChange()
{
    if (m_pViewAdvise)
        m_pViewAdvise->OnViewChange(DVASPECT_CONTENT, -1);
}

// --- Ambient properties

HRESULT CControlBase::GetAmbientProperty(DISPID id, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    IDispatch* ambient = nullptr;
    if (!m_pClientSite ||
        FAILED(m_pClientSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient))))
        return E_NOINTERFACE;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    HRESULT hr = ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr,
                                 nullptr);
    ambient->Release();
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

void CControlBase::NotifyControlInfoChanged()
{
    IOleControlSite* controlSite = nullptr;
    if (!m_pClientSite ||
        FAILED(m_pClientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite))) ||
        !controlSite)
        return;
    controlSite->OnControlInfoChanged();
    controlSite->OnFocus(TRUE);
    controlSite->Release();
}

// --- Persistence: one exchange routine for all three forms

HRESULT CControlBase::Exchange(CPropExchange& px)
{
    try {
        DoPropExchange(px);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (px.GetMode() != CPropExchange::SAVE) {
        m_bInitialised = true;
        NotifyViewChange();
    }
    return px.Result();
}

STDMETHODIMP CControlBase::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CControlBase::InitNew()
{
    if (m_bInitialised)
        return E_UNEXPECTED;
    CInitExchange px;
    m_bModified = false;
    return Exchange(px);
}

STDMETHODIMP CControlBase::Load(IStream* stream)
{
    if (!stream)
        return E_POINTER;
    CStreamExchange px(stream, CPropExchange::LOAD);
    m_bModified = false;
    return Exchange(px);
}

STDMETHODIMP CControlBase::Save(IStream* stream, BOOL clearDirty)
{
    if (!stream)
        return E_POINTER;
    CStreamExchange px(stream, CPropExchange::SAVE);
    HRESULT hr = Exchange(px);
    if (SUCCEEDED(hr) && clearDirty)
        m_bModified = false;
    return hr;
}

STDMETHODIMP CControlBase::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = 4096;
    return S_OK;
}

STDMETHODIMP CControlBase::Load(IPropertyBag* bag, IErrorLog* log)
{
    if (!bag)
        return E_POINTER;
    CBagExchange px(bag, log, CPropExchange::LOAD);
    m_bModified = false;
    return Exchange(px);
}

STDMETHODIMP CControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL)
{
    if (!bag)
        return E_POINTER;
    CBagExchange px(bag, nullptr, CPropExchange::SAVE);
    HRESULT hr = Exchange(px);
    if (SUCCEEDED(hr) && clearDirty)
        m_bModified = false;
    return hr;
}

// A storage holds the same bytes as a stream, in its stream "Contents".
STDMETHODIMP CControlBase::InitNew(IStorage*) { return InitNew(); }

STDMETHODIMP CControlBase::Load(IStorage* storage)
{
    if (!storage)
        return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr))
        return hr;
    hr = Load(stream);
    stream->Release();
    return hr;
}

STDMETHODIMP CControlBase::Save(IStorage* storage, BOOL)
{
    if (!storage)
        return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = storage->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    if (FAILED(hr))
        return hr;
    hr = Save(stream, TRUE);
    stream->Release();
    return hr;
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
