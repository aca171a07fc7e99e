// What a program that drives the control needs, written once for the demo
// host, the benchmarks and the tests: calls by name or number through
// IDispatch, argument values, hosting in the ATL container window, and the
// result list the control shows.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include "framework/ListView.h" // lists are read and driven through CListView
#include <string>
#include <vector>

// One dispatch call; its result and exception are kept for the caller.
struct Call {
    HRESULT hr = E_FAIL;
    VARIANT result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    Call() { VariantInit(&result); }
    ~Call();
    Call(Call&& o) noexcept;
    Call& operator=(Call&& o) noexcept;
    std::string Description() const;
    LONG Long() const;       // the result as a long; -999999 when it is none
    std::string Str() const; // the result as ANSI text
    bool Bool() const { return result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE; }
};

DISPID IdOf(IDispatch* d, const wchar_t* name);
// Arguments are given first to last. Invoke leaves them to the caller; Get, Put
// and Method free the strings and arrays among them (references and objects
// stay the caller's).
Call Invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args = {});
Call Get(IDispatch* d, const wchar_t* name);
Call Put(IDispatch* d, const wchar_t* name, VARIANT value);
Call Method(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args = {});
// Calls a member by name; the arguments are freed here, objects included.
HRESULT InvokeByName(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                     VARIANT* result = nullptr);

VARIANT VLong(LONG v);
VARIANT VShort(SHORT v);
VARIANT VBool(bool v);
VARIANT VStr(const wchar_t* s);     // an automation string
VARIANT VRef(VARIANT* inner);       // VT_BYREF|VT_VARIANT, as scripts pass arguments
VARIANT VPtr(VARTYPE vt, void* p);  // a pointer of that type: VT_DISPATCH, or VT_BYREF|... to the value
// A one-dimensional string array (VT_ARRAY|VT_BSTR); null items stay null.
VARIANT VStrings(const std::vector<const wchar_t*>& items, LONG lowerBound = 0);
VARIANT LongArg(long value);
VARIANT StrArg(const std::string& text); // ANSI text as an automation string
// A one-dimensional string array, as AddSearch, HideItems and GetItemsFoundCount take it.
VARIANT StringArrayArg(const std::vector<std::string>& items);

// In the ANSI code page unless told (CP_UTF8); null is empty.
std::string Narrow(const wchar_t* text, UINT codePage = CP_ACP);
std::wstring Widen(const std::string& text, UINT codePage = CP_ACP);

template <class I>
I* As(IUnknown* p, REFIID iid) // the interface, or null
{
    I* out = nullptr;
    p->QueryInterface(iid, reinterpret_cast<void**>(&out));
    return out;
}
template <class I>
void Drop(I*& p) // releases and forgets a reference, if any
{
    if (p)
        p->Release();
    p = nullptr;
}

// GetMusicCounts: tagged, MP3 and all files.
std::vector<LONG> MusicCounts(IDispatch* d);
// GetSelectedItems: the paths (an empty VARIANT or a zero-based string array)
// and the count it reports.
std::vector<std::string> SelectedItems(IDispatch* d, SHORT* count = nullptr, UINT codePage = CP_ACP);

// Wine's and Windows' ATL container window: made ready once; false when atl.dll is missing.
bool InitAtlHosting();
// The control that an ATL container window holds, or null.
IDispatch* HostedControl(HWND ax);
// A container window of its own making the control by ProgID and activating it in place.
IDispatch* HostByProgId(HWND parent, int x, int y, int width, int height, HWND* ax, DWORD exStyle = 0);
// Places a control made beforehand in a window, which becomes its ATL container.
HRESULT AttachToHost(IUnknown* control, HWND window, IUnknown** container);
// Connects a sink to the control's events; the connection point is kept for the caller.
bool AdviseEvents(IDispatch* ctrl, REFIID events, IDispatch* sink, IConnectionPoint** cp, DWORD* cookie);

// The visible result list below a window, or null.
HWND FindShownList(HWND root);
// A click at the middle of a column's header, as the mouse gives it: sent, or
// posted for the caller's message loop. False when the list has no such column.
bool ClickListHeader(HWND list, int column, bool post = false);
