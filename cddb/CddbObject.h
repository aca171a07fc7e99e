// The common part of the component's objects: IUnknown (the framework's) and
// IDispatch over one interface. The objects are called by position only, so IDispatch describes
// nothing: no type information, and names and Invoke are not supported.
// Reference counts are atomic: callers use the objects from several threads.
#pragma once
#include "framework/ComObject.h"
#include <windows.h>
#include <ole2.h>

template <class I, const IID& kIid>
class CCddbObject : public fw::CComObject<I, IID_IDispatch, kIid> {
public:
    CCddbObject() = default;

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo)
            *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

};
