// A font property: an OLE font object made from a description, handed out
// through IFontDisp and replaced by a copy of what the host assigns. The holder
// listens to the object it holds, so a host that changes the handed-out font in
// place (Font.Size = 14) reaches the owner.
#pragma once
#include <ocidl.h>
#include <olectl.h>

namespace fw {

class CFontHolder;

// Told when the font object a holder holds changes one of its properties.
class CFontListener {
public:
    virtual void OnFontChanged(CFontHolder& font, DISPID property) = 0;

protected:
    ~CFontListener() = default;
};

class CFontHolder {
public:
    explicit CFontHolder(CFontListener* listener = nullptr) : m_pListener(listener) {}
    ~CFontHolder();
    CFontHolder(const CFontHolder&) = delete;
    CFontHolder& operator=(const CFontHolder&) = delete;

    HRESULT Init(const FONTDESC& desc);
    HRESULT Assign(IUnknown* font);     // a copy of the font; E_NOINTERFACE when it is none
    IFontDisp* Dispatch() const;        // the held object itself, with a reference for the caller
    IFont* Font() const { return m_pFont; }
    HFONT Handle() const;
    void Release();

private:
    class CSink;
    friend class CSink;
    void Hold(IFont* font);             // takes over the caller's reference
    void Changed(DISPID property);

    CFontListener* m_pListener;
    IFont* m_pFont = nullptr;
    CSink* m_pSink = nullptr;           // made at the first font, kept until destruction
    IConnectionPoint* m_pPoint = nullptr;
    DWORD m_nCookie = 0;
};

// An OLE colour as an RGB value: system colours through GetSysColor.
COLORREF TranslateColor(OLE_COLOR color);

} // namespace fw
