// The IUnknown of a helper object: QueryInterface over the interface ids the
// object lists, an atomic reference count that starts at 1 for the creator,
// and a module lock for the object's whole life. Base is the object's
// interface (or a chain of interfaces derived one from another), so every id
// answers with the same pointer.
#pragma once
#include "Module.h"
#include <objbase.h>

namespace fw {

template <class Base, const IID&... Iids>
class CComObject : public Base {
public:
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || ((riid == Iids) || ...)) {
            *ppv = static_cast<Base*>(this);
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

protected:
    CComObject() = default;
    virtual ~CComObject() = default;

private:
    volatile LONG m_nRefs = 1;
    CModuleLock m_lock;
};

} // namespace fw
