// An enumerator over a fixed table of verbs, as IOleObject::EnumVerbs hands
// out. The table lives as long as the module (each enumerator holds a module
// lock); every verb handed out carries a copy of its name for the caller to free.
#pragma once
#include "ComObject.h"
#include <oleidl.h>

namespace fw {

class CEnumVerbs : public CComObject<IEnumOLEVERB, IID_IEnumOLEVERB> {
public:
    static HRESULT Create(const OLEVERB* verbs, ULONG count, IEnumOLEVERB** e);

    STDMETHODIMP Next(ULONG count, OLEVERB* verbs, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumOLEVERB** e) override;

private:
    CEnumVerbs(const OLEVERB* verbs, ULONG count, ULONG pos) : m_pVerbs(verbs), m_nCount(count), m_nPos(pos) {}

    const OLEVERB* m_pVerbs;
    ULONG m_nCount;
    ULONG m_nPos;
};

} // namespace fw
