// The control module: its entry points, class factories and registration.
#include "Tarnwick_h.h"
#include "TarnwickCtrl.h"
#include "TarnwickIds.h"
#include "TarnwickPropPage.h"
#include "Resource.h"
#include "framework/ClassFactory.h"
#include "framework/Registration.h"
#include <olectl.h>

namespace {

fw::CClassFactory g_ctrlFactory(&CTarnwickCtrl::Create);
fw::CClassFactory g_pageFactory(&CTarnwickPropPage::Create);

std::vector<fw::ClassRegistration> Classes()
{
    return {
        {&CLSID_Tarnwick, "Tarnwick.TarnwickCtrl.1", "Tarnwick Control", true, kTarnwickMiscStatus, IDB_TARNWICK,
         &LIBID_TarnwickLib, "1.0"},
        {&CLSID_TarnwickPropPage, "Tarnwick.TarnwickPropPage.1", "Tarnwick Property Page", false, 0, 0, nullptr,
         nullptr},
    };
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) { return fw::ModuleMain(instance, reason); }

extern "C" HRESULT __stdcall DllCanUnloadNow() { return fw::ModuleCanUnloadNow(); }

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (clsid == CLSID_Tarnwick)
        return g_ctrlFactory.QueryInterface(riid, ppv);
    if (clsid == CLSID_TarnwickPropPage)
        return g_pageFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllRegisterServer()
{
    try {
        return fw::RegisterServer(fw::ModulePath(), Classes());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT __stdcall DllUnregisterServer()
{
    try {
        return fw::UnregisterServer(LIBID_TarnwickLib, 1, 0, 0x0409, Classes());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
