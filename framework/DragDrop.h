// OLE drag and drop of one block of global memory offered in one clipboard format.
#pragma once
#include "ComObject.h"
#include <ole2.h>

namespace fw {

// Offers one block in one format (TYMED_HGLOBAL, DVASPECT_CONTENT, lindex -1).
// The object owns the block and frees it on its last release; GetData hands out
// copies, so a receiver may keep what it got after the drag has ended.
class CBlockData : public CComObject<IDataObject, IID_IDataObject> {
public:
    // Takes the block over whatever happens: on failure it is freed at once.
    static HRESULT Create(CLIPFORMAT format, HGLOBAL block, IDataObject** data);

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override;

private:
    CBlockData(CLIPFORMAT format, HGLOBAL block) : m_cfFormat(format), m_hBlock(block) {}
    ~CBlockData() override { GlobalFree(m_hBlock); }
    HRESULT Offers(const FORMATETC* format) const;
    HRESULT CopyInto(HGLOBAL target) const;

    CLIPFORMAT m_cfFormat;
    HGLOBAL m_hBlock;
};

// The source side of a drag with the left button: Escape cancels, releasing
// the button drops, the system's cursors show the effect.
class CDropSource : public CComObject<IDropSource, IID_IDropSource> {
public:
    static HRESULT Create(IDropSource** source);

    STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;

private:
    CDropSource() = default;
};

// Drags the block in the format and returns when the drag has ended. Takes the
// block over and frees it whatever happens. Answers the effect the drop target
// chose among the allowed ones, DROPEFFECT_NONE when the drag was cancelled,
// refused or could not start. Works whether or not the thread called
// OleInitialize; a thread of the multithreaded apartment cannot drag.
DWORD DragBlock(CLIPFORMAT format, HGLOBAL block, DWORD allowedEffects);

} // namespace fw
