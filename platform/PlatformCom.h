// What portable records need of COM: keeping and letting go of a counted
// reference to an object of an outside component. Natively there are none.
#pragma once

struct IUnknown;

namespace platform {

void AddRefObject(IUnknown* object);  // nothing for null
void ReleaseObject(IUnknown* object); // nothing for null

} // namespace platform

// A counted reference to an object, let go of when the holder goes; a copy
// holds one more.
template <class I>
class CObjectRef {
public:
    CObjectRef() = default;
    CObjectRef(const CObjectRef& o) : m_p(o.m_p) { platform::AddRefObject(Unknown(m_p)); }
    CObjectRef& operator=(const CObjectRef& o)
    {
        Set(o.m_p);
        return *this;
    }
    ~CObjectRef() { Reset(); }

    // Holds a reference of its own to p (null lets go).
    void Set(I* p)
    {
        platform::AddRefObject(Unknown(p));
        Reset();
        m_p = p;
    }
    void Reset()
    {
        platform::ReleaseObject(Unknown(m_p));
        m_p = nullptr;
    }
    // For a call that hands out a new reference: this holder takes it over.
    I** Out()
    {
        Reset();
        return &m_p;
    }
    I* Get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    static IUnknown* Unknown(I* p) { return p; }
    I* m_p = nullptr;
};
