// A connection point for one outgoing dispatch interface. It is a separate
// object whose lifetime is its owner's: AddRef and Release go to the owner.
// Sinks are called by index, so a sink may Unadvise from inside an event.
#pragma once
#include <ocidl.h>
#include <vector>

namespace fw {

class CConnectionPoint : public IConnectionPoint {
public:
    CConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID iid)
        : m_pOwner(owner), m_pContainer(container), m_iid(iid) {}
    ~CConnectionPoint();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_pOwner->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pOwner->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** cpc) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** e) override;

    const IID& Iid() const { return m_iid; }
    // Calls every sink's Invoke; the arguments are given first to last.
    void Fire(DISPID id, VARIANTARG* args, UINT count);
    size_t SinkCount() const;

private:
    IUnknown* m_pOwner;
    IConnectionPointContainer* m_pContainer;
    IID m_iid;
    std::vector<IDispatch*> m_sinks; // cookie = index + 1; a freed slot stays null
};

// The container's enumeration of its one connection point.
HRESULT EnumOneConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** e);

// Builds the arguments of an event, first to last.
class CEventArgs {
public:
    CEventArgs() = default;
    ~CEventArgs();
    CEventArgs(const CEventArgs&) = delete;
    CEventArgs& operator=(const CEventArgs&) = delete;

    CEventArgs& Str(const char* text, UINT codePage = CP_ACP); // a new string, freed after the event
    CEventArgs& Long(LONG v);
    CEventArgs& Short(SHORT v);
    CEventArgs& RefBstr(BSTR* v);           // out-values: the host may change them
    CEventArgs& RefLong(LONG* v);
    CEventArgs& RefBool(VARIANT_BOOL* v);

    VARIANTARG* Data() { return m_args.data(); }
    UINT Count() const { return UINT(m_args.size()); }

private:
    std::vector<VARIANTARG> m_args;
};

} // namespace fw
