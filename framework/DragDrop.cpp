#include "DragDrop.h"
#include <cstring>
#include <new>
#include <shlobj.h>

namespace fw {

HRESULT CBlockData::Create(CLIPFORMAT format, HGLOBAL block, IDataObject** data)
{
    if (data)
        *data = nullptr;
    CBlockData* made = data && format && block ? new (std::nothrow) CBlockData(format, block) : nullptr;
    if (!made) {
        GlobalFree(block);
        return !data ? E_POINTER : !format || !block ? E_INVALIDARG : E_OUTOFMEMORY;
    }
    *data = made;
    return S_OK;
}

HRESULT CBlockData::Offers(const FORMATETC* format) const
{
    if (!format)
        return E_INVALIDARG;
    if (format->cfFormat != m_cfFormat)
        return DV_E_FORMATETC;
    if (!(format->tymed & TYMED_HGLOBAL))
        return DV_E_TYMED;
    if (format->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (format->lindex != -1)
        return DV_E_LINDEX;
    return S_OK;
}

HRESULT CBlockData::CopyInto(HGLOBAL target) const
{
    SIZE_T size = GlobalSize(m_hBlock);
    if (GlobalSize(target) < size)
        return STG_E_MEDIUMFULL;
    void* from = GlobalLock(m_hBlock);
    void* to = GlobalLock(target);
    if (from && to)
        memcpy(to, from, size);
    if (from)
        GlobalUnlock(m_hBlock);
    if (to)
        GlobalUnlock(target);
    return from && to ? S_OK : E_OUTOFMEMORY;
}

// A copy for the receiver to free: it stays valid however long the receiver keeps it.
STDMETHODIMP CBlockData::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!medium)
        return E_INVALIDARG;
    HRESULT hr = Offers(format);
    if (hr != S_OK)
        return hr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, GlobalSize(m_hBlock));
    if (!copy)
        return E_OUTOFMEMORY;
    hr = CopyInto(copy);
    if (FAILED(hr)) {
        GlobalFree(copy);
        return hr;
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP CBlockData::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (!medium)
        return E_INVALIDARG;
    HRESULT hr = Offers(format);
    if (hr != S_OK)
        return hr;
    if (medium->tymed != TYMED_HGLOBAL)
        return DV_E_TYMED;
    return medium->hGlobal ? CopyInto(medium->hGlobal) : E_INVALIDARG;
}

STDMETHODIMP CBlockData::QueryGetData(FORMATETC* format) { return Offers(format); }

// The data does not depend on the target device.
STDMETHODIMP CBlockData::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out)
{
    if (!in || !out)
        return E_INVALIDARG;
    *out = *in;
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP CBlockData::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP CBlockData::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats)
{
    if (!formats)
        return E_INVALIDARG;
    *formats = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    FORMATETC offered = {m_cfFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &offered, formats);
}

STDMETHODIMP CBlockData::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP CBlockData::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP CBlockData::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

HRESULT CDropSource::Create(IDropSource** source)
{
    if (!source)
        return E_POINTER;
    *source = new (std::nothrow) CDropSource;
    return *source ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed)
        return DRAGDROP_S_CANCEL;
    return keyState & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
}

STDMETHODIMP CDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

DWORD DragBlock(CLIPFORMAT format, HGLOBAL block, DWORD allowedEffects)
{
    IDataObject* data = nullptr;
    if (FAILED(CBlockData::Create(format, block, &data)))
        return DROPEFFECT_NONE;
    IDropSource* source = nullptr;
    DWORD effect = DROPEFFECT_NONE;
    // The drag loop needs OLE on this thread. A host may not have initialised
    // it; the calls are counted per thread, so a pair leaves the host's state alone.
    HRESULT ole = OleInitialize(nullptr);
    if (SUCCEEDED(ole) && SUCCEEDED(CDropSource::Create(&source)) &&
        DoDragDrop(data, source, allowedEffects, &effect) != DRAGDROP_S_DROP)
        effect = DROPEFFECT_NONE;
    if (source)
        source->Release();
    data->Release();
    if (SUCCEEDED(ole))
        OleUninitialize();
    return effect;
}

} // namespace fw
