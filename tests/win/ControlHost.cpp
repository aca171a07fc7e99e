#include "ControlHost.h"
#include <olectl.h>

std::string OcxPath()
{
    std::string path = TW_OCX_PATH;
    if (!path.empty() && path[0] == '/') { // a build-tree path: Wine shows it on drive Z:
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path;
}

HMODULE Ocx()
{
    static HMODULE module = LoadLibraryA(OcxPath().c_str());
    return module;
}

HRESULT OcxCall(const char* entry)
{
    auto fn = reinterpret_cast<HRESULT(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(Ocx(), entry)));
    return fn ? fn() : E_NOTIMPL;
}

IDispatch* NewControl()
{
    auto get = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(Ocx(), "DllGetClassObject")));
    if (!get)
        return nullptr;
    const CLSID clsid = {0xA6711A49, 0x5CDB, 0x4BD0, {0xB6, 0x54, 0x79, 0xB1, 0x98, 0xBA, 0xE8, 0x0D}};
    IClassFactory* factory = nullptr;
    if (FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IDispatch* d = nullptr;
    factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
    factory->Release();
    return d;
}

Call::~Call()
{
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
}

std::string Call::Description() const
{
    if (!excep.bstrDescription)
        return std::string();
    char buf[512] = {};
    WideCharToMultiByte(CP_ACP, 0, excep.bstrDescription, -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

LONG Call::Long() const
{
    VARIANT v;
    VariantInit(&v);
    LONG out = -999999;
    if (SUCCEEDED(VariantChangeType(&v, const_cast<VARIANT*>(&result), 0, VT_I4)))
        out = v.lVal;
    return out;
}

std::string Call::Str() const
{
    if (result.vt != VT_BSTR || !result.bstrVal)
        return result.vt == VT_BSTR ? "" : "<not a string>";
    char buf[4096] = {};
    WideCharToMultiByte(CP_ACP, 0, result.bstrVal, -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

DISPID IdOf(IDispatch* d, const wchar_t* name)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

void Invoke(Call& call, IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args)
{
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS dp = {reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        dp.rgdispidNamedArgs = &put;
        dp.cNamedArgs = 1;
    }
    call.hr = d->Invoke(IdOf(d, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &call.result, &call.excep,
                        &call.argErr);
}

void Get(Call& call, IDispatch* d, const wchar_t* name) { Invoke(call, d, name, DISPATCH_PROPERTYGET); }
void Put(Call& call, IDispatch* d, const wchar_t* name, VARIANT value)
{
    Invoke(call, d, name, DISPATCH_PROPERTYPUT, {value});
}
void Method(Call& call, IDispatch* d, const wchar_t* name, std::vector<VARIANT> args)
{
    Invoke(call, d, name, DISPATCH_METHOD, args);
}

VARIANT VLong(LONG v)
{
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}
VARIANT VShort(SHORT v)
{
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I2;
    r.iVal = v;
    return r;
}
VARIANT VBool(bool v)
{
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}
VARIANT VStr(const wchar_t* s)
{
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BSTR;
    r.bstrVal = SysAllocString(s);
    return r;
}
VARIANT VRef(VARIANT* inner)
{
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BYREF | VT_VARIANT;
    r.pvarVal = inner;
    return r;
}

VARIANT VStrings(const std::vector<const wchar_t*>& items, LONG lowerBound)
{
    SAFEARRAYBOUND bound = {ULONG(items.size()), lowerBound};
    SAFEARRAY* sa = SafeArrayCreate(VT_BSTR, 1, &bound);
    for (LONG i = 0; i < LONG(items.size()); ++i) {
        LONG index = lowerBound + i;
        BSTR s = items[size_t(i)] ? SysAllocString(items[size_t(i)]) : nullptr;
        SafeArrayPutElement(sa, &index, s);
        SysFreeString(s);
    }
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_ARRAY | VT_BSTR;
    r.parray = sa;
    return r;
}

void ControlTest::SetUp()
{
    CoInitialize(nullptr);
    ASSERT_NE(Ocx(), nullptr) << OcxPath();
    ctrl = NewControl();
    ASSERT_NE(ctrl, nullptr);
}

void ControlTest::TearDown()
{
    if (ctrl)
        ctrl->Release();
    ctrl = nullptr;
    CoUninitialize();
}

