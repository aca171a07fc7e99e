// A container seen from the control: a client site, in-place site and control
// site, a frame and a document window that log every call made on them, in
// order; the site answers the ambient font when it has one.
#pragma once
#include "ControlHost.h"
#include <olectl.h>

using Calls = std::vector<std::string>;
inline Calls g_calls;
inline HWND g_frame; // the container's top-level window

inline void Log(const std::string& call) { g_calls.push_back(call); }

// The log since the last look, emptied.
inline Calls Take()
{
    Calls taken;
    taken.swap(g_calls);
    return taken;
}

inline Calls operator+(Calls a, const Calls& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The frame and the document window: one class, told apart by name. The active
// object is held, as a container holds it, until it is replaced.
class CFrame : public IOleInPlaceFrame {
public:
    explicit CFrame(const char* name) : m_name(name) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        bool ok = riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceUIWindow ||
                  riid == IID_IOleInPlaceFrame;
        *ppv = ok ? this : nullptr;
        if (ok)
            AddRef();
        return ok ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }

    STDMETHODIMP GetWindow(HWND* hwnd) override
    {
        *hwnd = g_frame;
        return Called("GetWindow", S_OK);
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return Called("ContextSensitiveHelp"); }
    STDMETHODIMP GetBorder(LPRECT) override { return Called("GetBorder"); }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return Called("RequestBorderSpace"); }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override
    {
        return Called(std::string("SetBorderSpace(") + (widths ? "widths" : "0") + ")", S_OK);
    }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override
    {
        if (object)
            object->AddRef();
        if (active)
            active->Release();
        active = object;
        return Called(std::string("SetActiveObject(") + (object ? "ctl" : "0") + ")", S_OK);
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return Called("InsertMenus"); }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return Called("SetMenu"); }
    STDMETHODIMP RemoveMenus(HMENU) override { return Called("RemoveMenus"); }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return Called("SetStatusText"); }
    STDMETHODIMP EnableModeless(BOOL enable) override
    {
        return Called("EnableModeless(" + std::to_string(enable) + ")", S_OK);
    }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return Called("TranslateAccelerator"); }

    LONG refs = 1;
    IOleInPlaceActiveObject* active = nullptr;

private:
    HRESULT Called(const std::string& call, HRESULT hr = E_NOTIMPL)
    {
        Log(m_name + "." + call);
        return hr;
    }
    std::string m_name;
};

// The control's place in the container.
class CSite : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
public:
    CSite(CFrame& frame, CFrame& doc) : m_frame(frame), m_doc(doc) {}
    ~CSite()
    {
        if (font)
            font->Release();
    }

    // The container's font from now on: italic, normal weight.
    void SetFont(const wchar_t* name, LONGLONG points)
    {
        if (font)
            font->Release();
        font = NewFont(name, points, FW_NORMAL, true, false);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (inPlace && (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite))
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (controlSite && riid == IID_IOleControlSite)
            *ppv = static_cast<IOleControlSite*>(this);
        else if ((font || userMode >= 0) && riid == IID_IDispatch)
            *ppv = static_cast<IDispatch*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return Called("SaveObject"); }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override { return Called("GetMoniker", E_NOTIMPL, m); }
    STDMETHODIMP GetContainer(IOleContainer** c) override { return Called("GetContainer", E_NOINTERFACE, c); }
    STDMETHODIMP ShowObject() override { return Called("ShowObject"); }
    STDMETHODIMP OnShowWindow(BOOL) override { return Called("OnShowWindow"); }
    STDMETHODIMP RequestNewObjectLayout() override { return Called("RequestNewObjectLayout", E_NOTIMPL); }

    // IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* hwnd) override
    {
        *hwnd = window;
        return Called("GetWindow");
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return Called("ContextSensitiveHelp", E_NOTIMPL); }
    STDMETHODIMP CanInPlaceActivate() override { return Called("CanInPlaceActivate", canInPlace); }
    STDMETHODIMP OnInPlaceActivate() override { return Called("OnInPlaceActivate"); }
    STDMETHODIMP OnUIActivate() override { return Called("OnUIActivate"); }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override
    {
        m_frame.AddRef();
        m_doc.AddRef();
        *frame = &m_frame;
        *doc = &m_doc;
        SetRect(pos, 0, 0, 400, 300);
        *clip = *pos;
        *info = {info->cb, FALSE, g_frame, nullptr, 0};
        return Called("GetWindowContext");
    }
    STDMETHODIMP Scroll(SIZE) override { return Called("Scroll", E_NOTIMPL); }
    STDMETHODIMP OnUIDeactivate(BOOL undo) override { return Called("OnUIDeactivate(" + std::to_string(undo) + ")"); }
    STDMETHODIMP OnInPlaceDeactivate() override { return Called("OnInPlaceDeactivate"); }
    STDMETHODIMP DiscardUndoState() override { return Called("DiscardUndoState", E_NOTIMPL); }
    STDMETHODIMP DeactivateAndUndo() override { return Called("DeactivateAndUndo", E_NOTIMPL); }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return Called("OnPosRectChange"); }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return Called("OnControlInfoChanged"); }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return Called("LockInPlaceActive"); }
    STDMETHODIMP GetExtendedControl(IDispatch** d) override { return Called("GetExtendedControl", E_NOTIMPL, d); }
    STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return Called("TransformCoords", E_NOTIMPL); }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return Called("TranslateAccelerator", S_FALSE); }
    STDMETHODIMP OnFocus(BOOL got) override { return Called("OnFocus(" + std::to_string(got) + ")"); }
    STDMETHODIMP ShowPropertyFrame() override { return Called("ShowPropertyFrame", propertyFrame); }

    // IDispatch: the ambient properties, of which only the font and the user mode are known
    STDMETHODIMP GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id == DISPID_AMBIENT_USERMODE && userMode >= 0 && result) {
            result->vt = VT_BOOL;
            result->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        if (id != DISPID_AMBIENT_FONT || !font || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_DISPATCH;
        result->pdispVal = font;
        font->AddRef();
        return S_OK;
    }

    LONG refs = 1;
    HWND window = nullptr;
    bool inPlace = true;     // offers IOleInPlaceSite
    bool controlSite = true; // offers IOleControlSite
    HRESULT canInPlace = S_OK;
    HRESULT propertyFrame = E_NOTIMPL; // S_OK: the container shows a frame of its own
    IFontDisp* font = nullptr;         // the ambient font; none and no user mode: no IDispatch either
    int userMode = -1;                 // the ambient user mode: 1, 0 (design mode) or -1 (not answered)

private:
    template <class T = void>
    static HRESULT Called(const std::string& call, HRESULT hr = S_OK, T** out = nullptr)
    {
        if (out)
            *out = nullptr;
        Log(call);
        return hr;
    }
    CFrame& m_frame;
    CFrame& m_doc;
};
