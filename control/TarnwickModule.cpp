// The control's module entry points. No class is served yet: every request
// for a class object is answered CLASS_E_CLASSNOTAVAILABLE.
#include <windows.h>
#include <objbase.h>

extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_OK; }

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** ppv)
{
    if (ppv)
        *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllRegisterServer() { return S_OK; }
extern "C" HRESULT __stdcall DllUnregisterServer() { return S_OK; }
