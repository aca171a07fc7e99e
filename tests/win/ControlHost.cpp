#include "ControlHost.h"
#include <olectl.h>
#include <new>
#include <utility>

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

Call::Call(Call&& o) noexcept : hr(o.hr), result(o.result), excep(o.excep), argErr(o.argErr)
{
    VariantInit(&o.result);
    o.excep = {};
}

Call& Call::operator=(Call&& o) noexcept
{
    if (this != &o) {
        this->~Call();
        new (this) Call(std::move(o));
    }
    return *this;
}

std::string Narrow(const wchar_t* text)
{
    std::string out(text ? 4 * wcslen(text) + 1 : 1, '\0');
    if (text)
        WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], int(out.size()), nullptr, nullptr);
    return out.c_str();
}

std::string Call::Description() const { return Narrow(excep.bstrDescription); }

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
    return result.vt == VT_BSTR ? Narrow(result.bstrVal) : "<not a string>";
}

DISPID IdOf(IDispatch* d, const wchar_t* name)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

Call Invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args)
{
    Call call;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    const bool named = (flags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS dp = {reversed.data(), named ? &put : nullptr, UINT(reversed.size()), named ? 1u : 0u};
    call.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &call.result, &call.excep, &call.argErr);
    return call;
}

static Call Freeing(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args)
{
    Call call = Invoke(d, IdOf(d, name), flags, args);
    for (VARIANT& v : args)
        if (v.vt == VT_BSTR || ((v.vt & VT_ARRAY) && !(v.vt & VT_BYREF)))
            VariantClear(&v);
    return call;
}

Call Get(IDispatch* d, const wchar_t* name) { return Freeing(d, name, DISPATCH_PROPERTYGET, {}); }
Call Put(IDispatch* d, const wchar_t* name, VARIANT value) { return Freeing(d, name, DISPATCH_PROPERTYPUT, {value}); }
Call Method(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args)
{
    return Freeing(d, name, DISPATCH_METHOD, args);
}

static VARIANT Of(VARTYPE vt)
{
    VARIANT r;
    VariantInit(&r);
    r.vt = vt;
    return r;
}
VARIANT VLong(LONG v) { VARIANT r = Of(VT_I4); r.lVal = v; return r; }
VARIANT VShort(SHORT v) { VARIANT r = Of(VT_I2); r.iVal = v; return r; }
VARIANT VBool(bool v) { VARIANT r = Of(VT_BOOL); r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return r; }
VARIANT VStr(const wchar_t* s) { VARIANT r = Of(VT_BSTR); r.bstrVal = SysAllocString(s); return r; }
VARIANT VRef(VARIANT* inner) { return VPtr(VT_BYREF | VT_VARIANT, inner); }
VARIANT VPtr(VARTYPE vt, void* p) { VARIANT r = Of(vt); r.byref = p; return r; }

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
    VARIANT r = Of(VT_ARRAY | VT_BSTR);
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
    Drop(ctrl);
    CoUninitialize();
}


IStream* SavedStream(IUnknown* ctrl)
{
    IStream* stream = nullptr;
    IPersistStreamInit* psi = As<IPersistStreamInit>(ctrl, IID_IPersistStreamInit);
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    HRESULT hr = psi ? psi->Save(stream, TRUE) : E_NOINTERFACE;
    if (psi)
        psi->Release();
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(hr, S_OK);
    return stream;
}

IDispatch* LoadedControl(IStream* stream, HRESULT expected)
{
    IDispatch* d = NewControl();
    IPersistStreamInit* psi = As<IPersistStreamInit>(d, IID_IPersistStreamInit);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    HRESULT hr = psi->Load(stream);
    EXPECT_TRUE(expected == S_OK ? hr == S_OK : FAILED(hr)) << std::hex << hr;
    psi->Release();
    return d;
}

std::vector<LONG> MusicCounts(IDispatch* d)
{
    VARIANT v[3];
    for (VARIANT& x : v)
        VariantInit(&x);
    EXPECT_EQ(Method(d, L"GetMusicCounts", {VRef(&v[0]), VRef(&v[1]), VRef(&v[2])}).hr, S_OK);
    return {v[0].lVal, v[1].lVal, v[2].lVal};
}

IFontDisp* NewFont(const wchar_t* name, LONGLONG points, SHORT weight, bool italic, bool underline)
{
    FONTDESC d = {sizeof d, const_cast<LPOLESTR>(name), {}, weight, DEFAULT_CHARSET, italic, underline, FALSE};
    d.cySize.int64 = points * 10000;
    IFontDisp* f = nullptr;
    OleCreateFontIndirect(&d, IID_IFontDisp, reinterpret_cast<void**>(&f));
    return f;
}
