// CddbLocal.dll's entry points: the class factory and self-registration.
#include "CddbApi.h"
#include "CddbComponent.h"
#include "CddbSettings.h"
#include "framework/ClassFactory.h"
#include "framework/Module.h"
#include <olectl.h>
#include <string>

namespace {

fw::CClassFactory g_factory(&CreateCddbComponent);

const wchar_t kTypeName[] = L"CddbLocal Component";

std::wstring ClassKey()
{
    wchar_t clsid[40];
    StringFromGUID2(CLSID_CddbComponent, clsid, 40);
    return std::wstring(L"CLSID\\") + clsid;
}

LONG SetClassValue(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    HKEY h;
    LONG err = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
    if (err != ERROR_SUCCESS)
        return err;
    err = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return err;
}

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

// The class for any threading model (the objects lock what they share), and
// the database folder "cddb" beside the module unless one is set already.
extern "C" HRESULT __stdcall DllRegisterServer()
{
    try {
        const std::wstring module = fw::ModulePathW();
        const std::wstring key = ClassKey();
        if (module.empty())
            return SELFREG_E_CLASS;
        LONG errs[] = {
            SetClassValue(key, nullptr, kTypeName),
            SetClassValue(key + L"\\InprocServer32", nullptr, module),
            SetClassValue(key + L"\\InprocServer32", L"ThreadingModel", L"Both"),
            CddbWriteDefaultFolder(module.substr(0, module.find_last_of(L"\\/") + 1) + L"cddb"),
        };
        for (LONG err : errs)
            if (err != ERROR_SUCCESS)
                return SELFREG_E_CLASS;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT __stdcall DllUnregisterServer()
{
    try {
        LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
        if (err == ERROR_SUCCESS)
            err = RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKey().c_str());
        if (err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND)
            return SELFREG_E_CLASS;
        return CddbRemoveMachineSettings() == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
