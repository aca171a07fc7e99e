#include "ControlClient.h"
#include <commctrl.h>

HRESULT InvokeByName(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result)
{
    DISPID id;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr)) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID put = DISPID_PROPERTYPUT;
        bool isPut = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS dp = {reversed.data(), isPut ? &put : nullptr, UINT(reversed.size()), isPut ? 1u : 0u};
        VARIANT ignored;
        VariantInit(&ignored);
        hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result ? result : &ignored, nullptr, nullptr);
        VariantClear(&ignored);
    }
    for (VARIANT& v : args)
        VariantClear(&v);
    return hr;
}

VARIANT LongArg(long value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

static BSTR ToBstr(const std::string& text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, UINT(n));
    if (out && n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), out, n);
    return out;
}

VARIANT StrArg(const std::string& text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ToBstr(text);
    return v;
}

VARIANT StringArrayArg(const std::vector<std::string>& items)
{
    SAFEARRAYBOUND bound = {ULONG(items.size()), 0};
    SAFEARRAY* sa = SafeArrayCreate(VT_BSTR, 1, &bound);
    for (LONG i = 0; i < LONG(items.size()); ++i) {
        BSTR s = ToBstr(items[size_t(i)]);
        SafeArrayPutElement(sa, &i, s);
        SysFreeString(s);
    }
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = sa;
    return v;
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

std::string ListCellText(HWND list, int item, int column)
{
    char text[1024] = {};
    LVITEMA lv = {};
    lv.iSubItem = column;
    lv.pszText = text;
    lv.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(item), LPARAM(&lv));
    return text;
}

std::string ListColumnText(HWND list, int column)
{
    char text[256] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, WPARAM(column), LPARAM(&col));
    return text;
}

bool ClickListHeader(HWND list, int column, bool post)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT r = {};
    if (!header || !SendMessageA(header, HDM_GETITEMRECT, WPARAM(column), LPARAM(&r)))
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
