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

// One dispatch call; result and exception are kept for the assertions.
struct Call {
    HRESULT hr = E_FAIL;
    VARIANT result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    Call() { VariantInit(&result); }
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    std::string Description() const;
    LONG Long() const;
    std::string Str() const;
    bool Bool() const { return result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE; }
};

DISPID IdOf(IDispatch* d, const wchar_t* name);
// Arguments are given first to last and are not freed.
void Invoke(Call& call, IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {});
void Get(Call& call, IDispatch* d, const wchar_t* name);
void Put(Call& call, IDispatch* d, const wchar_t* name, VARIANT value);
void Method(Call& call, IDispatch* d, const wchar_t* name, std::vector<VARIANT> args = {});

VARIANT VLong(LONG v);
VARIANT VShort(SHORT v);
VARIANT VBool(bool v);
VARIANT VStr(const wchar_t* s);     // a BSTR the test must free (or leak in a test)
VARIANT VRef(VARIANT* inner);       // VT_BYREF|VT_VARIANT, as scripts pass arguments
// A one-dimensional string array (VT_ARRAY|VT_BSTR) the test must clear; null items stay null.
VARIANT VStrings(const std::vector<const wchar_t*>& items, LONG lowerBound = 0);

// Initialises COM for a test and releases what it made.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    IDispatch* ctrl = nullptr;
};
