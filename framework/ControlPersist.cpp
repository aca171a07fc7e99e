// CControlBase's persistence: one exchange routine for streams, property
// bags and storages.
#include "ControlBase.h"

namespace fw {

// --- Persistence: one exchange routine for all three forms

HRESULT CControlBase::Exchange(CPropExchange& px)
{
    try {
        DoPropExchange(px);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (px.GetMode() != CPropExchange::SAVE) {
        m_bInitialised = true;
        NotifyViewChange();
    }
    return px.Result();
}

STDMETHODIMP CControlBase::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CControlBase::InitNew()
{
    if (m_bInitialised)
        return E_UNEXPECTED;
    CInitExchange px;
    m_bModified = false;
    return Exchange(px);
}

STDMETHODIMP CControlBase::Load(IStream* stream)
{
    if (!stream)
        return E_POINTER;
    CStreamExchange px(stream, CPropExchange::LOAD);
    m_bModified = false;
    return Exchange(px);
}

STDMETHODIMP CControlBase::Save(IStream* stream, BOOL clearDirty)
{
    if (!stream)
        return E_POINTER;
    CStreamExchange px(stream, CPropExchange::SAVE);
    HRESULT hr = Exchange(px);
    if (SUCCEEDED(hr) && clearDirty)
        m_bModified = false;
    return hr;
}

STDMETHODIMP CControlBase::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = 4096;
    return S_OK;
}

STDMETHODIMP CControlBase::Load(IPropertyBag* bag, IErrorLog* log)
{
    if (!bag)
        return E_POINTER;
    CBagExchange px(bag, log, CPropExchange::LOAD);
    m_bModified = false;
    return Exchange(px);
}

STDMETHODIMP CControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL)
{
    if (!bag)
        return E_POINTER;
    CBagExchange px(bag, nullptr, CPropExchange::SAVE);
    HRESULT hr = Exchange(px);
    if (SUCCEEDED(hr) && clearDirty)
        m_bModified = false;
    return hr;
}

// A storage holds the same bytes as a stream, in its stream "Contents".
STDMETHODIMP CControlBase::InitNew(IStorage*) { return InitNew(); }

STDMETHODIMP CControlBase::Load(IStorage* storage)
{
    if (!storage)
        return E_POINTER;
    CComPtr<IStream> stream;
    HRESULT hr = storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Out());
    return FAILED(hr) ? hr : Load(stream.Get());
}

STDMETHODIMP CControlBase::Save(IStorage* storage, BOOL)
{
    if (!storage)
        return E_POINTER;
    CComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Out());
    return FAILED(hr) ? hr : Save(stream.Get(), TRUE);
}

} // namespace fw
