// Helpers for driving the real Tarnwick.ocx from a test: the module loaded by
// path, controls made through its class factory, and calls through IDispatch.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <string>
#include <vector>

HMODULE Ocx();                      // Tarnwick.ocx, loaded once
std::string OcxPath();              // its Windows path
IDispatch* NewControl();            // a new control (caller releases)
HRESULT OcxCall(const char* entry); // DllRegisterServer, DllUnregisterServer, DllCanUnloadNow
std::string Narrow(const wchar_t* text); // in the ANSI code page; null is empty

// One dispatch call; result and exception are kept for the assertions.
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
    LONG Long() const;
    std::string Str() const;
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

VARIANT VLong(LONG v);
VARIANT VShort(SHORT v);
VARIANT VBool(bool v);
VARIANT VStr(const wchar_t* s);     // a BSTR the test must free (or leak in a test)
VARIANT VRef(VARIANT* inner);       // VT_BYREF|VT_VARIANT, as scripts pass arguments
VARIANT VPtr(VARTYPE vt, void* p);  // a pointer of that type: VT_DISPATCH, or VT_BYREF|... to the value
// A one-dimensional string array (VT_ARRAY|VT_BSTR) the test must clear; null items stay null.
VARIANT VStrings(const std::vector<const wchar_t*>& items, LONG lowerBound = 0);

template <class I>
I* As(IUnknown* p, REFIID iid) // the interface, or null
{
    I* out = nullptr;
    p->QueryInterface(iid, reinterpret_cast<void**>(&out));
    return out;
}
IFontDisp* NewFont(const wchar_t* name, LONGLONG points, SHORT weight, bool italic, bool underline);
template <class I>
void Drop(I*& p) // releases and forgets a reference, if any
{
    if (p)
        p->Release();
    p = nullptr;
}
IStream* SavedStream(IUnknown* ctrl); // IPersistStreamInit::Save into a new stream, at its start
// A new control loaded from the stream's start; expected S_OK or any failure (E_FAIL).
IDispatch* LoadedControl(IStream* stream, HRESULT expected = S_OK);
std::vector<LONG> MusicCounts(IDispatch* d); // GetMusicCounts: tagged, MP3 and all files

inline std::string TextOf(HWND hwnd) // a window's text
{
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// A file of these bytes, replacing any.
inline void Write(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

// Initialises COM for a test and releases what it made.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    IDispatch* ctrl = nullptr;
};
