// Dispatch maps: IDispatch::Invoke over a table of named members with typed
// parameters. Arguments are coerced with VariantChangeType, by-reference
// arguments are accepted in their exact type or as VT_BYREF|VT_VARIANT (how
// scripts pass them), and handlers raise automation exceptions through
// EXCEPINFO.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>
#include <string>

namespace fw {

enum DispKind { DISP_METHOD, DISP_PROPERTY };

const int kMaxDispParams = 5;

// One call of a member, with its arguments coerced to the member's types.
class CDispCall {
public:
    CDispCall(DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep)
        : m_pParams(params), m_pResult(result), m_pExcep(excep) {}
    ~CDispCall();
    CDispCall(const CDispCall&) = delete;
    CDispCall& operator=(const CDispCall&) = delete;

    // Binds argument i (in declaration order) to type vt; the error a bad argument gives.
    HRESULT Bind(int i, VARIANTARG* arg, VARTYPE vt);

    std::string Str(int i, UINT codePage = CP_ACP) const;
    BSTR Bstr(int i) const { return m_args[i].bstrVal; }
    LONG Long(int i) const { return m_args[i].lVal; }
    SHORT Short(int i) const { return m_args[i].iVal; }
    bool Bool(int i) const { return m_args[i].boolVal != VARIANT_FALSE; }
    IDispatch* Dispatch(int i) const { return m_args[i].pdispVal; }
    const VARIANT& Variant(int i) const { return m_args[i]; }
    SHORT* RefShort(int i) const { return static_cast<SHORT*>(m_refs[i]); }
    LONG* RefLong(int i) const { return static_cast<LONG*>(m_refs[i]); }
    BSTR* RefBstr(int i) const { return static_cast<BSTR*>(m_refs[i]); }

    void ReturnLong(LONG v);
    void ReturnShort(SHORT v);
    void ReturnBool(bool v);
    void ReturnColor(OLE_COLOR v);
    void ReturnStr(const std::string& v, UINT codePage = CP_ACP);
    void ReturnDispatch(IDispatch* v); // adds a reference
    void ReturnVariant(VARIANT& v);    // takes the value, leaving v empty

    // An automation exception with a control error code, as Err.Number shows it.
    HRESULT Raise(WORD code, const char* description);

private:
    DISPPARAMS* m_pParams;
    VARIANT* m_pResult;
    EXCEPINFO* m_pExcep;
    VARIANT m_args[kMaxDispParams] = {};
    VARIANT m_temps[kMaxDispParams] = {}; // out-values of arguments that came by value
    void* m_refs[kMaxDispParams] = {};
};

template <class T>
struct DispEntry {
    DISPID id;
    const wchar_t* name;
    DispKind kind;
    VARTYPE type;                      // the property's type; unused for methods
    HRESULT (T::*get)(CDispCall&);     // property getter, or the method
    HRESULT (T::*put)(CDispCall&);     // property setter; null for read-only and for methods
    VARTYPE params[kMaxDispParams];    // method parameters, VT_BYREF for out-values
    int nParams;
};

// The table-independent part of Invoke: finds what to call and binds the
// arguments. Returns S_OK with *handlerIndex set to 0 (get/method) or 1 (put).
HRESULT PrepareCall(DispKind kind, VARTYPE type, bool hasGet, bool hasPut, const VARTYPE* params, int nParams,
                    WORD flags, DISPPARAMS* dp, CDispCall& call, UINT* argErr, int* handler);


template <class T>
class CDispatchTable {
public:
    CDispatchTable(const DispEntry<T>* entries, int count) : m_entries(entries), m_count(count) {}

    HRESULT GetIDsOfNames(LPOLESTR* names, UINT cNames, DISPID* ids) const
    {
        if (!names || !ids || cNames == 0)
            return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < cNames; ++i)
            ids[i] = DISPID_UNKNOWN;
        for (int e = 0; e < m_count; ++e)
            if (names[0] && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, names[0], -1, m_entries[e].name, -1) ==
                                CSTR_EQUAL)
                ids[0] = m_entries[e].id;
        if (ids[0] == DISPID_UNKNOWN || cNames > 1)
            hr = DISP_E_UNKNOWNNAME;
        return hr;
    }

    HRESULT Invoke(T* obj, DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* excep,
                   UINT* argErr) const
    {
        if (!dp)
            return E_INVALIDARG;
        const DispEntry<T>* e = Find(id);
        if (!e)
            return DISP_E_MEMBERNOTFOUND;
        try {
            CDispCall call(dp, result, excep);
            int handler = 0;
            HRESULT hr = PrepareCall(e->kind, e->type, e->get != nullptr, e->put != nullptr, e->params,
                                     e->nParams, flags, dp, call, argErr, &handler);
            if (hr != S_OK)
                return hr == S_FALSE ? call.Raise(handler == 1 ? 383 : 394,
                                                  handler == 1 ? "Property is read-only"
                                                               : "Property is write-only")
                                     : hr;
            return (obj->*(handler == 1 ? e->put : e->get))(call);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    const DispEntry<T>* Find(DISPID id) const
    {
        for (int e = 0; e < m_count; ++e)
            if (m_entries[e].id == id)
                return &m_entries[e];
        return nullptr;
    }

private:
    const DispEntry<T>* m_entries;
    int m_count;
};

} // namespace fw
