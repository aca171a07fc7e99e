// CddbLocal.dll's entry points: the class factory and self-registration.
#include "lookup/CddbApi.h"
#include "CddbComponent.h"
#include "CddbSettings.h"
#include "framework/ClassFactory.h"
#include "framework/Module.h"
#include "framework/Registration.h"
#include <olectl.h>
#include <string>
#include <vector>

namespace {

fw::CClassFactory g_factory(&CreateCddbComponent);

// One class, with no ProgID and no type library, for any threading model (the
// objects lock what they share).
const std::vector<fw::ClassRegistration> kClasses = {
    {&CLSID_CddbComponent, nullptr, "CddbLocal Component", false, 0, 0, nullptr, nullptr, "Both"}};

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) { return fw::ModuleMain(instance, reason); }

extern "C" HRESULT __stdcall DllCanUnloadNow() { return fw::ModuleCanUnloadNow(); }

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_CddbComponent)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

// The class, and the database folder "cddb" beside the module unless one is set already.
extern "C" HRESULT __stdcall DllRegisterServer()
{
    try {
        const std::wstring module = fw::ModulePathW();
        if (module.empty())
            return SELFREG_E_CLASS;
        HRESULT hr = fw::RegisterClasses(module, kClasses);
        LONG err = CddbWriteDefaultFolder(module.substr(0, module.find_last_of(L"\\/") + 1) + L"cddb");
        return FAILED(hr) || err != ERROR_SUCCESS ? SELFREG_E_CLASS : S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT __stdcall DllUnregisterServer()
{
    try {
        if (FAILED(fw::UnregisterClasses(kClasses)))
            return SELFREG_E_CLASS;
        return CddbRemoveMachineSettings() == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
