#include "ControlClient.h"
#include <commctrl.h>
#include <new>
#include <utility>

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

std::string Narrow(const wchar_t* text, UINT codePage)
{
    std::string out(text ? 4 * wcslen(text) + 1 : 1, '\0');
    if (text)
        WideCharToMultiByte(codePage, 0, text, -1, &out[0], int(out.size()), nullptr, nullptr);
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

HRESULT InvokeByName(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result)
{
    Call call = Invoke(d, IdOf(d, name), flags, args);
    for (VARIANT& v : args)
        VariantClear(&v);
    if (result) {
        *result = call.result;
        VariantInit(&call.result);
    }
    return call.hr;
}

VARIANT LongArg(long value) { return VLong(LONG(value)); }

std::wstring Widen(const std::string& text, UINT codePage)
{
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), &out[0], n);
    return out;
}

static BSTR ToBstr(const std::string& text)
{
    std::wstring wide = Widen(text);
    return SysAllocStringLen(wide.data(), UINT(wide.size()));
}

VARIANT StrArg(const std::string& text)
{
    VARIANT v = VStr(nullptr);
    v.bstrVal = ToBstr(text);
    return v;
}

VARIANT StringArrayArg(const std::vector<std::string>& items)
{
    std::vector<std::wstring> wide;
    for (const std::string& item : items) {
        BSTR b = ToBstr(item);
        wide.emplace_back(b ? b : L"", b ? SysStringLen(b) : 0);
        SysFreeString(b);
    }
    std::vector<const wchar_t*> texts;
    for (const std::wstring& w : wide)
        texts.push_back(w.c_str());
    return VStrings(texts);
}

// A failed call reads as -1 each.
std::vector<LONG> MusicCounts(IDispatch* d)
{
    VARIANT v[3];
    for (VARIANT& x : v)
        VariantInit(&x);
    if (FAILED(Method(d, L"GetMusicCounts", {VRef(&v[0]), VRef(&v[1]), VRef(&v[2])}).hr))
        return {-1, -1, -1};
    return {v[0].lVal, v[1].lVal, v[2].lVal};
}

std::vector<std::string> SelectedItems(IDispatch* d, SHORT* count, UINT codePage)
{
    VARIANT reported = VShort(-1); // in a variant, as scripts pass it
    Call c = Method(d, L"GetSelectedItems", {VRef(&reported)});
    if (count)
        *count = reported.vt == VT_I2 ? reported.iVal : SHORT(-1);
    std::vector<std::string> paths;
    LONG lower = 0, upper = -1;
    if (c.result.vt == (VT_ARRAY | VT_BSTR) && SUCCEEDED(SafeArrayGetLBound(c.result.parray, 1, &lower)) &&
        SUCCEEDED(SafeArrayGetUBound(c.result.parray, 1, &upper))) {
        for (LONG i = lower; i <= upper; ++i) {
            BSTR path = nullptr;
            if (SUCCEEDED(SafeArrayGetElement(c.result.parray, &i, &path)))
                paths.push_back(Narrow(path, codePage));
            SysFreeString(path);
        }
    }
    return paths;
}

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

static FARPROC AtlEntry(const char* name)
{
    static HMODULE atl = LoadLibraryA("atl.dll");
    return atl ? GetProcAddress(atl, name) : nullptr;
}

bool InitAtlHosting()
{
    static bool ready = [] {
        auto init = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(AtlEntry("AtlAxWinInit")));
        return init && init();
    }();
    return ready;
}

IDispatch* HostedControl(HWND ax)
{
    auto get = reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(AtlEntry("AtlAxGetControl")));
    IUnknown* unknown = nullptr;
    if (!ax || !get || FAILED(get(ax, &unknown)) || !unknown)
        return nullptr;
    IDispatch* d = As<IDispatch>(unknown, IID_IDispatch);
    unknown->Release();
    return d;
}

IDispatch* HostByProgId(HWND parent, int x, int y, int width, int height, HWND* ax, DWORD exStyle)
{
    *ax = InitAtlHosting() ? CreateWindowExA(exStyle, "AtlAxWin", "Tarnwick.TarnwickCtrl.1", WS_CHILD | WS_VISIBLE,
                                             x, y, width, height, parent, nullptr, nullptr, nullptr)
                           : nullptr;
    return HostedControl(*ax);
}

HRESULT AttachToHost(IUnknown* control, HWND window, IUnknown** container)
{
    using AttachFn = HRESULT(WINAPI*)(IUnknown*, HWND, IUnknown**);
    auto attach = reinterpret_cast<AttachFn>(reinterpret_cast<void*>(AtlEntry("AtlAxAttachControl")));
    return InitAtlHosting() && attach ? attach(control, window, container) : E_NOTIMPL;
}

bool AdviseEvents(IDispatch* ctrl, REFIID events, IDispatch* sink, IConnectionPoint** cp, DWORD* cookie)
{
    *cp = nullptr;
    IConnectionPointContainer* cpc = As<IConnectionPointContainer>(ctrl, IID_IConnectionPointContainer);
    if (cpc) {
        cpc->FindConnectionPoint(events, cp);
        cpc->Release();
    }
    return *cp && (*cp)->Advise(sink, cookie) == S_OK;
}

static BOOL CALLBACK FindVisibleList(HWND hwnd, LPARAM lp)
{
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpiA(name, "SysListView32") == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindShownList(HWND root)
{
    HWND list = nullptr;
    EnumChildWindows(root, FindVisibleList, LPARAM(&list));
    return list;
}

bool ClickListHeader(HWND list, int column, bool post)
{
    RECT r;
    HWND header = CListView(list).Header();
    if (!CListView(list).HeaderRect(column, r))
        return false;
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (post) {
        PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(header, WM_LBUTTONUP, 0, at);
    } else {
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
    }
    return true;
}
