#include "TarnwickPropPage.h"
#include "Resource.h"
#include <new>

HRESULT CTarnwickPropPage::Create(REFIID riid, void** ppv)
{
    CTarnwickPropPage* page = new (std::nothrow) CTarnwickPropPage;
    if (!page)
        return E_OUTOFMEMORY;
    HRESULT hr = page->QueryInterface(riid, ppv);
    page->Release();
    return hr;
}

CTarnwickPropPage::~CTarnwickPropPage()
{
    Deactivate();
    ReleaseObjects();
}

STDMETHODIMP CTarnwickPropPage::SetPageSite(IPropertyPageSite* site)
{
    m_pSite.Set(site);
    return S_OK;
}

static INT_PTR CALLBACK PageProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

STDMETHODIMP CTarnwickPropPage::Activate(HWND parent, LPCRECT rect, BOOL)
{
    if (m_hDlg)
        return E_UNEXPECTED;
    m_hDlg = CreateDialogParamA(fw::ModuleInstance(), MAKEINTRESOURCEA(IDD_PROPPAGE_TARNWICK), parent, PageProc, 0);
    if (!m_hDlg)
        return E_FAIL;
    if (rect)
        Move(rect);
    return S_OK;
}

STDMETHODIMP CTarnwickPropPage::Deactivate()
{
    if (m_hDlg)
        DestroyWindow(m_hDlg);
    m_hDlg = nullptr;
    return S_OK;
}

STDMETHODIMP CTarnwickPropPage::GetPageInfo(PROPPAGEINFO* info)
{
    if (!info)
        return E_POINTER;
    char caption[64] = "General";
    LoadStringA(fw::ModuleInstance(), IDS_TARNWICK_PPG_CAPTION, caption, sizeof caption);
    int n = MultiByteToWideChar(CP_ACP, 0, caption, -1, nullptr, 0);
    info->cb = sizeof *info;
    info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(size_t(n) * sizeof(wchar_t)));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_ACP, 0, caption, -1, info->pszTitle, n);
    // The dialog's size: 300 by 131 dialog units.
    RECT r = {0, 0, 300, 131};
    HWND probe = CreateDialogParamA(fw::ModuleInstance(), MAKEINTRESOURCEA(IDD_PROPPAGE_TARNWICK), nullptr, PageProc, 0);
    if (probe) {
        MapDialogRect(probe, &r);
        DestroyWindow(probe);
    }
    info->size.cx = r.right;
    info->size.cy = r.bottom;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

void CTarnwickPropPage::ReleaseObjects()
{
    for (ULONG i = 0; i < m_nObjects; ++i)
        if (m_ppObjects[i])
            m_ppObjects[i]->Release();
    delete[] m_ppObjects;
    m_ppObjects = nullptr;
    m_nObjects = 0;
}

STDMETHODIMP CTarnwickPropPage::SetObjects(ULONG count, IUnknown** objects)
{
    if (count && !objects)
        return E_POINTER;
    ReleaseObjects();
    if (count == 0)
        return S_OK;
    m_ppObjects = new (std::nothrow) IUnknown*[count];
    if (!m_ppObjects)
        return E_OUTOFMEMORY;
    for (ULONG i = 0; i < count; ++i) {
        m_ppObjects[i] = objects[i];
        if (objects[i])
            objects[i]->AddRef();
    }
    m_nObjects = count;
    return S_OK;
}

STDMETHODIMP CTarnwickPropPage::Show(UINT cmd)
{
    if (!m_hDlg)
        return E_UNEXPECTED;
    ShowWindow(m_hDlg, int(cmd));
    return S_OK;
}

STDMETHODIMP CTarnwickPropPage::Move(LPCRECT rect)
{
    if (!rect)
        return E_POINTER;
    if (!m_hDlg)
        return E_UNEXPECTED;
    MoveWindow(m_hDlg, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}
