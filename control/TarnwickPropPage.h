// CTarnwickPropPage: the control's one property page, "General". It shows an
// empty dialog so that a container's property frame has a page to show.
#pragma once
#include "framework/ComObject.h"
#include <ocidl.h>

class CTarnwickPropPage : public fw::CComObject<IPropertyPage, IID_IPropertyPage> {
public:
    static HRESULT Create(REFIID riid, void** ppv);

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT cmd) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override { return S_FALSE; }
    STDMETHODIMP Apply() override { return S_OK; }
    STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    CTarnwickPropPage() = default;
    ~CTarnwickPropPage() override;
    void ReleaseObjects();

    fw::CComPtr<IPropertyPageSite> m_pSite;
    IUnknown** m_ppObjects = nullptr;
    ULONG m_nObjects = 0;
    HWND m_hDlg = nullptr;
};
