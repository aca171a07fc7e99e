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

// One counted reference to an interface, let go when the holder changes or goes.
template <class I>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr() { Reset(); }

    void Set(I* p) // a reference of its own to p (null lets go)
    {
        if (p)
            p->AddRef();
        Reset();
        m_p = p;
    }
    void Attach(I* p) // takes over a reference the caller holds
    {
        Reset();
        m_p = p;
    }
    I* Detach() // hands the reference over to the caller
    {
        I* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Reset()
    {
        if (I* p = Detach())
            p->Release();
    }
    I** Out() // for a call that hands out a new reference
    {
        Reset();
        return &m_p;
    }
    void CopyTo(I** out) const // a new reference for the caller; null stays null
    {
        *out = m_p;
        if (m_p)
            m_p->AddRef();
    }
    I* Get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    I* m_p = nullptr;
};

} // namespace fw
