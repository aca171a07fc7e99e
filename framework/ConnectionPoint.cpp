#include "ConnectionPoint.h"
#include "ComObject.h"
#include <olectl.h>
#include <algorithm>
#include <new>

namespace fw {

CConnectionPoint::~CConnectionPoint()
{
    for (IDispatch* sink : m_sinks)
        if (sink)
            sink->Release();
}

STDMETHODIMP CConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** cpc)
{
    if (!cpc)
        return E_POINTER;
    *cpc = m_pContainer;
    m_pContainer->AddRef();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IDispatch* disp = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&disp))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp))))
        return CONNECT_E_CANNOTCONNECT;
    auto slot = std::find(m_sinks.begin(), m_sinks.end(), nullptr);
    try {
        if (slot == m_sinks.end())
            slot = m_sinks.insert(m_sinks.end(), nullptr);
    } catch (const std::bad_alloc&) {
        disp->Release();
        return E_OUTOFMEMORY;
    }
    *slot = disp;
    *cookie = DWORD(slot - m_sinks.begin()) + 1;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Unadvise(DWORD cookie)
{
    if (cookie == 0 || cookie > m_sinks.size() || !m_sinks[cookie - 1])
        return CONNECT_E_NOCONNECTION;
    IDispatch* sink = m_sinks[cookie - 1];
    m_sinks[cookie - 1] = nullptr;
    sink->Release();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::EnumConnections(IEnumConnections** e)
{
    if (e)
        *e = nullptr;
    return E_NOTIMPL;
}

size_t CConnectionPoint::SinkCount() const
{
    return size_t(std::count_if(m_sinks.begin(), m_sinks.end(), [](IDispatch* d) { return d != nullptr; }));
}

void CConnectionPoint::Fire(DISPID id, VARIANTARG* args, UINT count)
{
    // Invoke wants the arguments last first.
    std::vector<VARIANTARG> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS dp = {reversed.data(), nullptr, count, 0};
    for (size_t i = 0; i < m_sinks.size(); ++i) {
        IDispatch* sink = m_sinks[i];
        if (!sink)
            continue;
        sink->AddRef(); // the sink may unadvise while it runs
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep = {};
        UINT argErr = 0;
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &result, &excep, &argErr);
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        sink->Release();
    }
}

namespace {

class CEnumOnePoint : public CComObject<IEnumConnectionPoints, IID_IEnumConnectionPoints> {
public:
    explicit CEnumOnePoint(IConnectionPoint* point, ULONG pos = 0) : m_pPoint(point), m_nPos(pos) { point->AddRef(); }
    ~CEnumOnePoint() override { m_pPoint->Release(); }

    STDMETHODIMP Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override
    {
        if (!points || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        if (count > 0 && m_nPos == 0) {
            points[0] = m_pPoint;
            m_pPoint->AddRef();
            m_nPos = n = 1;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        ULONG left = 1 - m_nPos;
        m_nPos += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumConnectionPoints** e) override
    {
        if (!e)
            return E_POINTER;
        *e = new (std::nothrow) CEnumOnePoint(m_pPoint, m_nPos);
        return *e ? S_OK : E_OUTOFMEMORY;
    }

private:
    IConnectionPoint* m_pPoint;
    ULONG m_nPos;
};

} // namespace

HRESULT EnumOneConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** e)
{
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) CEnumOnePoint(point);
    return *e ? S_OK : E_OUTOFMEMORY;
}

CEventArgs::~CEventArgs()
{
    for (VARIANTARG& v : m_args)
        if (v.vt == VT_BSTR)
            SysFreeString(v.bstrVal);
}

static VARIANTARG Arg(VARTYPE vt)
{
    VARIANTARG v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

CEventArgs& CEventArgs::Str(const char* text, UINT codePage)
{
    VARIANTARG v = Arg(VT_BSTR);
    v.bstrVal = ToBstr(text ? text : "", codePage);
    m_args.push_back(v);
    return *this;
}
CEventArgs& CEventArgs::Long(LONG value)
{
    VARIANTARG v = Arg(VT_I4);
    v.lVal = value;
    m_args.push_back(v);
    return *this;
}
CEventArgs& CEventArgs::Short(SHORT value)
{
    VARIANTARG v = Arg(VT_I2);
    v.iVal = value;
    m_args.push_back(v);
    return *this;
}
CEventArgs& CEventArgs::RefBstr(BSTR* value)
{
    VARIANTARG v = Arg(VT_BYREF | VT_BSTR);
    v.pbstrVal = value;
    m_args.push_back(v);
    return *this;
}
CEventArgs& CEventArgs::RefLong(LONG* value)
{
    VARIANTARG v = Arg(VT_BYREF | VT_I4);
    v.plVal = value;
    m_args.push_back(v);
    return *this;
}
CEventArgs& CEventArgs::RefBool(VARIANT_BOOL* value)
{
    VARIANTARG v = Arg(VT_BYREF | VT_BOOL);
    v.pboolVal = value;
    m_args.push_back(v);
    return *this;
}

} // namespace fw
