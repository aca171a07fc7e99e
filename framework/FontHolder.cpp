#include "FontHolder.h"
#include "ComObject.h"
#include <new>

namespace fw {

// The holder's ear on the font object. The font holds the sink, the sink only
// points back at its holder (no reference), so the font never keeps the owner
// alive; the holder cuts the link before it goes.
class CFontHolder::CSink final : public CComObject<IPropertyNotifySink, IID_IPropertyNotifySink> {
public:
    explicit CSink(CFontHolder* holder) : m_pHolder(holder) {}
    void Detach() { m_pHolder = nullptr; }

    STDMETHODIMP OnChanged(DISPID property) override
    {
        if (m_pHolder)
            m_pHolder->Changed(property);
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    CFontHolder* m_pHolder;
};

CFontHolder::~CFontHolder()
{
    Release();
    if (m_pSink) {
        m_pSink->Detach();
        m_pSink->Release();
    }
}

void CFontHolder::Hold(IFont* font)
{
    Release();
    m_pFont = font;
    if (!m_pListener)
        return;
    if (!m_pSink)
        m_pSink = new (std::nothrow) CSink(this);
    IConnectionPointContainer* cpc = nullptr;
    if (!m_pSink || FAILED(font->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc))))
        return;
    if (SUCCEEDED(cpc->FindConnectionPoint(IID_IPropertyNotifySink, &m_pPoint)) &&
        FAILED(m_pPoint->Advise(m_pSink, &m_nCookie))) {
        m_pPoint->Release();
        m_pPoint = nullptr;
    }
    cpc->Release();
}

void CFontHolder::Changed(DISPID property)
{
    if (m_pListener)
        m_pListener->OnFontChanged(*this, property);
}

HRESULT CFontHolder::Init(const FONTDESC& desc)
{
    FONTDESC copy = desc;
    IFont* font = nullptr;
    HRESULT hr = OleCreateFontIndirect(&copy, IID_IFont, reinterpret_cast<void**>(&font));
    if (SUCCEEDED(hr))
        Hold(font);
    return hr;
}

HRESULT CFontHolder::Assign(IUnknown* unknown)
{
    if (!unknown)
        return E_POINTER;
    IFont* font = nullptr;
    HRESULT hr = unknown->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font));
    if (FAILED(hr))
        return hr;
    IFont* clone = nullptr;
    hr = font->Clone(&clone);
    font->Release();
    if (SUCCEEDED(hr))
        Hold(clone);
    return hr;
}

IFontDisp* CFontHolder::Dispatch() const
{
    IFontDisp* disp = nullptr;
    if (m_pFont)
        m_pFont->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(&disp));
    return disp;
}

HFONT CFontHolder::Handle() const
{
    HFONT h = nullptr;
    if (m_pFont)
        m_pFont->get_hFont(&h);
    return h;
}

void CFontHolder::Release()
{
    if (m_pPoint) {
        m_pPoint->Unadvise(m_nCookie);
        m_pPoint->Release();
        m_pPoint = nullptr;
    }
    if (m_pFont)
        m_pFont->Release();
    m_pFont = nullptr;
}

COLORREF TranslateColor(OLE_COLOR color)
{
    COLORREF rgb = 0;
    if (FAILED(OleTranslateColor(color, nullptr, &rgb)))
        rgb = GetSysColor(COLOR_WINDOWTEXT);
    return rgb;
}

} // namespace fw
