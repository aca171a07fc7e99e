#include "EnumVerbs.h"
#include <cwchar>
#include <new>

namespace fw {

HRESULT CEnumVerbs::Create(const OLEVERB* verbs, ULONG count, IEnumOLEVERB** e)
{
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) CEnumVerbs(verbs, count, 0);
    return *e ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CEnumVerbs::Next(ULONG count, OLEVERB* verbs, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    if (!verbs)
        return E_POINTER;
    if (count > 1 && !fetched)
        return E_INVALIDARG;
    ULONG n = 0;
    for (; n < count && m_nPos < m_nCount; ++n, ++m_nPos) {
        verbs[n] = m_pVerbs[m_nPos];
        const wchar_t* name = m_pVerbs[m_nPos].lpszVerbName;
        if (name) {
            size_t bytes = (wcslen(name) + 1) * sizeof(wchar_t);
            verbs[n].lpszVerbName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!verbs[n].lpszVerbName) { // hand out nothing, as if never called
                m_nPos -= n;
                while (n > 0)
                    CoTaskMemFree(verbs[--n].lpszVerbName);
                return E_OUTOFMEMORY;
            }
            memcpy(verbs[n].lpszVerbName, name, bytes);
        }
    }
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumVerbs::Skip(ULONG count)
{
    ULONG left = m_nCount - m_nPos;
    m_nPos += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumVerbs::Reset()
{
    m_nPos = 0;
    return S_OK;
}

STDMETHODIMP CEnumVerbs::Clone(IEnumOLEVERB** e)
{
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) CEnumVerbs(m_pVerbs, m_nCount, m_nPos);
    return *e ? S_OK : E_OUTOFMEMORY;
}

} // namespace fw
