// The host's side of the control's events: an IDispatch that the control's
// connection point calls, handing each event to OnEvent. It lives as long as
// its owner (no reference counting of its own).
#pragma once
#include <windows.h>
#include <oaidl.h>

// The control's event interface, _DTarnwickEvents.
const IID DIID_TarnwickEvents = {0x7C68D9E9, 0xAAB4, 0x4708, {0x93, 0x74, 0x7F, 0xF8, 0x5B, 0x83, 0xCA, 0x8E}};

class CEventSink : public IDispatch {
public:
    virtual ~CEventSink() = default;
    // The arguments arrive last first in dp->rgvarg.
    virtual void OnEvent(DISPID id, DISPPARAMS* dp) = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_TarnwickEvents) ? this : nullptr;
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (!dp)
            return E_INVALIDARG;
        OnEvent(id, dp);
        return S_OK;
    }
};
