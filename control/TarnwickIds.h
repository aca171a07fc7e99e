// The identities of the control, its property page and the optional trace
// component. The type library's own GUIDs come from Tarnwick.idl.
#pragma once
#include <windows.h>
#include <ole2.h>

extern "C" const CLSID CLSID_TarnwickPropPage;
extern "C" const CLSID CLSID_TarnwickTrace;
extern "C" const IID IID_ITarnwickTrace;

// The trace component's interface: a dispatch interface whose first two
// methods take one string each.
struct ITarnwickTrace : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Trace(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE TraceStart(BSTR text) = 0;
};

const DWORD kTarnwickMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                                  OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
