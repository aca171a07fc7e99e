// CControlBase inside its container: in-place and UI activation, focus, and
// the view a container draws or asks to be told of.
#include "ControlBase.h"

namespace fw {

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
        m_pInPlaceSite.Attach(ips);
        m_pFrame.Attach(frame);
        m_pUIWindow.Attach(doc);
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
    CComPtr<IOleControlSite> site;
    if (ControlSiteOf(site))
        site->OnFocus(inside);
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
    IOleInPlaceSite* site = m_pInPlaceSite.Detach();
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_pFrame.Reset();
    m_pUIWindow.Reset();
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
    m_pViewAdvise.Set(sink);
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
    if (sink)
        m_pViewAdvise.CopyTo(sink);
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

} // namespace fw
