// The OLE control: everything a container talks to, generic over the control
// that derives from it. The derived class supplies its identity, dispatch
// table, property exchange and window.
#pragma once
#include "ComObject.h"
#include "ConnectionPoint.h"
#include "Module.h"
#include "PropExchange.h"
#include <ocidl.h>
#include <olectl.h>

namespace fw {

class CControlBase : public IDispatch,
                     public IOleObject,
                     public IOleControl,
                     public IOleInPlaceObject,
                     public IOleInPlaceActiveObject,
                     public IViewObject2,
                     public IPersistStreamInit,
                     public IPersistPropertyBag,
                     public IPersistStorage,
                     public IConnectionPointContainer,
                     public IProvideClassInfo2,
                     public ISpecifyPropertyPages,
                     public IQuickActivate {
public:
    CControlBase(const CLSID& clsid, const IID& dispIid, const IID& eventIid, const GUID& libId);
    virtual ~CControlBase();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override;
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** d) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** e) override;
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** e) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG*) override { return S_OK; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdc, LPCRECTL bounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** set) override;
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag, IPersistStorage
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override { return m_bModified ? S_OK : S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage*) override { return S_OK; }
    STDMETHODIMP HandsOffStorage() override { return S_OK; }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** e) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IQuickActivate: the container's site, event sink and extent in one call
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override { return SetExtent(DVASPECT_CONTENT, size); }
    STDMETHODIMP GetContentExtent(LPSIZEL size) override { return GetExtent(DVASPECT_CONTENT, size); }

    HWND Window() const { return m_hWnd; }
    // Activates the control with its user interface, unless it is already, and
    // takes the focus unless one of its windows holds it.
    void ActivateUI();
    // The window tells of the keyboard focus entering or leaving it or one of its
    // children. Entering activates the user interface of a control the container
    // activated in place only, leaving the focus where it is; the control site
    // hears of both.
    void OnFocusChange();
    void SetModified() { m_bModified = true; }
    void FireEvent(DISPID id, CEventArgs& args);

protected:
    // What the derived control supplies.
    virtual void DoPropExchange(CPropExchange& px) = 0;
    virtual DWORD MiscStatus() const = 0;
    virtual const char* UserTypeName() const = 0;
    virtual const CLSID* PropertyPage() const = 0;
    virtual HWND CreateControlWindow(HWND parent, const RECT& rect) = 0;
    virtual void OnDrawMetafile(HDC hdc, const RECT& rect);
    // Keyboard messages of the in-place active control; true when handled.
    virtual bool PreTranslateMessage(MSG*) { return false; }
    // Loads the type information of the given interface from the type library.
    HRESULT LoadTypeInfo(REFGUID guid, LCID lcid, ITypeInfo** info);
    // Reads an ambient property of the container through the client site's IDispatch;
    // fails when there is no site or the site does not answer it.
    HRESULT GetAmbientProperty(DISPID id, VARIANT* value);
    // The container's user mode (not design mode); a container that does not say runs in user mode.
    bool IsUserMode();
    // Tells the control site that the keyboard information changed, so the
    // container asks for it again, and that the control has the focus.
    void NotifyControlInfoChanged();


private:
    HRESULT Exchange(CPropExchange& px);
    HRESULT ActivateInPlace(IOleClientSite* site, HWND parent);
    HRESULT UIActivate(bool takeFocus);
    void SetFocusState(bool inside);
    HRESULT ShowProperties(HWND owner);
    // The container's control site, when its client site has one.
    bool ControlSiteOf(CComPtr<IOleControlSite>& site) const;
    void NotifyViewChange();

    CModuleLock m_lock;
    LONG m_cRef = 1;
    CLSID m_clsid;
    IID m_dispIid;
    GUID m_libId;
    CConnectionPoint m_events;
    CComPtr<IOleClientSite> m_pClientSite;
    CComPtr<IOleAdviseHolder> m_pOleAdvise;
    CComPtr<IAdviseSink> m_pViewAdvise;
    DWORD m_nViewAdviseAspects = 0;
    DWORD m_nViewAdviseFlags = 0;
    CComPtr<IOleInPlaceSite> m_pInPlaceSite;
    CComPtr<IOleInPlaceFrame> m_pFrame;
    CComPtr<IOleInPlaceUIWindow> m_pUIWindow;
    bool m_bUIActive = false;
    bool m_bFocus = false; // what the control site last heard
    HWND m_hWnd = nullptr;
    SIZEL m_extent = {5080, 2540}; // 2 by 1 inches, in HIMETRIC
    bool m_bModified = false;
    bool m_bInitialised = false;
    int m_nFreeze = 0;
};

} // namespace fw
