// The common part of the component's objects: IUnknown and IDispatch over one
// interface. The objects are called by position only, so IDispatch describes
// nothing: no type information, and names and Invoke are not supported.
// Reference counts are atomic: callers use the objects from several threads.
#pragma once
#include "framework/Module.h"
#include <windows.h>
#include <ole2.h>

template <class I, const IID& kIid>
class CCddbObject : public I {
public:
    CCddbObject() = default;
    CCddbObject(const CCddbObject&) = delete;
    CCddbObject& operator=(const CCddbObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIid) {
            *ppv = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&m_nRefs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_nRefs);
        if (n == 0)
            delete this;
        return ULONG(n);
    }

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

protected:
    virtual ~CCddbObject() = default;

private:
    volatile LONG m_nRefs = 1;
    fw::CModuleLock m_lock;
};
