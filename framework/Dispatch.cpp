#include "Dispatch.h"
#include "Module.h"
#include <cstring>

namespace fw {

CDispCall::~CDispCall()
{
    for (int i = 0; i < kMaxDispParams; ++i) {
        VariantClear(&m_args[i]);
        VariantClear(&m_temps[i]);
    }
}

static bool IsMissing(const VARIANT* v)
{
    return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

HRESULT CDispCall::Bind(int i, VARIANTARG* arg, VARTYPE vt)
{
    if (vt & VT_BYREF) {
        VARTYPE base = VARTYPE(vt & ~VT_BYREF);
        VARIANT* target;
        if (arg->vt == vt) {
            m_refs[i] = arg->byref;
            return S_OK;
        }
        if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) {
            target = arg->pvarVal; // a script's variable: the out-value lands in it
            if (target->vt != base && FAILED(VariantChangeType(target, target, 0, base))) {
                VariantClear(target);
                target->vt = base;
            }
        } else {
            if (IsMissing(arg))
                return DISP_E_PARAMNOTFOUND;
            target = &m_temps[i]; // passed by value: the out-value cannot reach the caller
            if (FAILED(VariantChangeType(target, arg, 0, base))) {
                VariantClear(target);
                target->vt = base;
            }
        }
        m_refs[i] = &target->lVal; // every member of the value union starts here
        return S_OK;
    }
    VARIANT* value = (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) ? arg->pvarVal : arg;
    if (IsMissing(value))
        return DISP_E_PARAMNOTFOUND;
    if (vt == VT_VARIANT)
        return VariantCopy(&m_args[i], value); // one level of reference removed, no more
    VARIANT plain;
    VariantInit(&plain);
    HRESULT hr = VariantCopyInd(&plain, value);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&m_args[i], &plain, 0, vt);
    VariantClear(&plain);
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

std::string CDispCall::Str(int i, UINT codePage) const
{
    BSTR s = m_args[i].bstrVal;
    return s ? ToText(s, int(SysStringLen(s)), codePage) : std::string();
}

void CDispCall::ReturnLong(LONG v)
{
    if (m_pResult) {
        VariantInit(m_pResult);
        m_pResult->vt = VT_I4;
        m_pResult->lVal = v;
    }
}

void CDispCall::ReturnShort(SHORT v)
{
    if (m_pResult) {
        VariantInit(m_pResult);
        m_pResult->vt = VT_I2;
        m_pResult->iVal = v;
    }
}

void CDispCall::ReturnBool(bool v)
{
    if (m_pResult) {
        VariantInit(m_pResult);
        m_pResult->vt = VT_BOOL;
        m_pResult->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    }
}

void CDispCall::ReturnColor(OLE_COLOR v) { ReturnLong(LONG(v)); }

void CDispCall::ReturnStr(const std::string& v, UINT codePage)
{
    if (m_pResult) {
        VariantInit(m_pResult);
        m_pResult->vt = VT_BSTR;
        m_pResult->bstrVal = ToBstr(v, codePage);
    }
}

void CDispCall::ReturnDispatch(IDispatch* v)
{
    if (m_pResult) {
        VariantInit(m_pResult);
        m_pResult->vt = VT_DISPATCH;
        m_pResult->pdispVal = v;
        if (v)
            v->AddRef();
    }
}

void CDispCall::ReturnVariant(VARIANT& v)
{
    if (m_pResult) {
        *m_pResult = v;
    } else {
        VariantClear(&v);
    }
    VariantInit(&v);
}

HRESULT CDispCall::Raise(WORD code, const char* description)
{
    if (m_pExcep) {
        std::memset(m_pExcep, 0, sizeof *m_pExcep);
        m_pExcep->scode = MAKE_SCODE(SEVERITY_ERROR, FACILITY_CONTROL, code);
        m_pExcep->bstrSource = ToBstr("Tarnwick");
        m_pExcep->bstrDescription = ToBstr(description);
    }
    return DISP_E_EXCEPTION;
}

HRESULT PrepareCall(DispKind kind, VARTYPE type, bool hasGet, bool hasPut, const VARTYPE* params, int nParams,
                    WORD flags, DISPPARAMS* dp, CDispCall& call, UINT* argErr, int* handler)
{
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const bool get = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
    if (kind == DISP_PROPERTY) {
        if (put) {
            *handler = 1;
            if (!hasPut)
                return S_FALSE;
            if (dp->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            if (dp->cNamedArgs != 1 || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTOPTIONAL;
            HRESULT hr = call.Bind(0, &dp->rgvarg[0], type);
            if (FAILED(hr) && argErr)
                *argErr = 0;
            return FAILED(hr) ? hr : S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        *handler = 0;
        if (!hasGet)
            return S_FALSE;
        return dp->cArgs == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
    }
    if (put || !get)
        return DISP_E_MEMBERNOTFOUND;
    *handler = 0;
    if (dp->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (int(dp->cArgs) != nParams)
        return DISP_E_BADPARAMCOUNT;
    for (int i = 0; i < nParams; ++i) {
        UINT position = dp->cArgs - 1 - UINT(i); // arguments arrive last first
        HRESULT hr = call.Bind(i, &dp->rgvarg[position], params[i]);
        if (FAILED(hr)) {
            if (argErr)
                *argErr = position;
            return hr;
        }
    }
    return S_OK;
}

} // namespace fw
