#include "FontHolder.h"
#include <olectl.h>

namespace fw {

HRESULT CFontHolder::Init(const FONTDESC& desc)
{
    FONTDESC copy = desc;
    IFont* font = nullptr;
    HRESULT hr = OleCreateFontIndirect(&copy, IID_IFont, reinterpret_cast<void**>(&font));
    if (SUCCEEDED(hr)) {
        Release();
        m_pFont = font;
    }
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
    if (SUCCEEDED(hr)) {
        Release();
        m_pFont = clone;
    }
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
