// A font property: an OLE font object made from a description, handed out
// through IFontDisp and replaced by a copy of what the host assigns.
#pragma once
#include <ocidl.h>
#include <olectl.h>

namespace fw {

class CFontHolder {
public:
    CFontHolder() = default;
    ~CFontHolder() { Release(); }
    CFontHolder(const CFontHolder&) = delete;
    CFontHolder& operator=(const CFontHolder&) = delete;

    HRESULT Init(const FONTDESC& desc);
    HRESULT Assign(IUnknown* font);     // a copy of the font; E_NOINTERFACE when it is none
    IFontDisp* Dispatch() const;        // with a reference for the caller; null without a font
    IFont* Font() const { return m_pFont; }
    HFONT Handle() const;
    void Release();

private:
    IFont* m_pFont = nullptr;
};

// An OLE colour as an RGB value: system colours through GetSysColor.
COLORREF TranslateColor(OLE_COLOR color);

} // namespace fw
