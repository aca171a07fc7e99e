#include "Registration.h"
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <cstring>

namespace fw {

std::string GuidText(REFGUID guid)
{
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    char out[40];
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

// Sets the default value (name null) or a named value of a key under HKCR.
static LONG SetValue(const std::string& key, const char* name, const std::string& value)
{
    HKEY h;
    LONG err = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
    if (err != ERROR_SUCCESS)
        return err;
    err = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(h);
    return err;
}

// The same with a value in UTF-16, for module paths.
static LONG SetValueW(const std::string& key, const char* name, const std::wstring& value)
{
    HKEY h;
    LONG err = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
    if (err != ERROR_SUCCESS)
        return err;
    std::wstring wideName = name ? std::wstring(name, name + strlen(name)) : std::wstring();
    err = RegSetValueExW(h, name ? wideName.c_str() : nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return err;
}

static LONG CreateKey(const std::string& key)
{
    HKEY h;
    LONG err = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
    if (err == ERROR_SUCCESS)
        RegCloseKey(h);
    return err;
}

// A missing key counts as removed.
static LONG DeleteTree(const std::string& key)
{
    LONG err = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    if (err == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (err == ERROR_SUCCESS)
        err = RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    return err == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : err;
}

static LONG RegisterClass(const std::wstring& modulePath, const ClassRegistration& c)
{
    const std::string clsid = GuidText(*c.clsid);
    const std::string key = "CLSID\\" + clsid;
    LONG errs[] = {
        SetValue(key, nullptr, c.typeName),
        SetValueW(key + "\\InprocServer32", nullptr, modulePath),
        SetValue(key + "\\InprocServer32", "ThreadingModel", c.threadingModel ? c.threadingModel : "Apartment"),
        c.progId ? SetValue(key + "\\ProgID", nullptr, c.progId) : ERROR_SUCCESS,
        c.progId ? SetValue(c.progId, nullptr, c.typeName) : ERROR_SUCCESS,
        c.progId ? SetValue(std::string(c.progId) + "\\CLSID", nullptr, clsid) : ERROR_SUCCESS,
    };
    for (LONG err : errs)
        if (err != ERROR_SUCCESS)
            return err;
    if (!c.control)
        return ERROR_SUCCESS;
    LONG controlErrs[] = {
        CreateKey(key + "\\Control"),
        SetValueW(key + "\\ToolboxBitmap32", nullptr, modulePath + L", " + std::to_wstring(c.toolboxBitmap)),
        SetValue(key + "\\MiscStatus", nullptr, "0"),
        SetValue(key + "\\MiscStatus\\1", nullptr, std::to_string(c.miscStatus)),
        SetValue(key + "\\TypeLib", nullptr, GuidText(*c.libId)),
        SetValue(key + "\\Version", nullptr, c.libVersion),
    };
    for (LONG err : controlErrs)
        if (err != ERROR_SUCCESS)
            return err;
    return ERROR_SUCCESS;
}

HRESULT RegisterServer(const std::string& modulePath, const std::vector<ClassRegistration>& classes)
{
    wchar_t path[MAX_PATH];
    ITypeLib* lib = nullptr;
    if (!MultiByteToWideChar(CP_ACP, 0, modulePath.c_str(), -1, path, MAX_PATH) ||
        FAILED(LoadTypeLibEx(path, REGKIND_REGISTER, &lib)))
        return SELFREG_E_TYPELIB;
    lib->Release();
    return RegisterClasses(path, classes);
}

HRESULT RegisterClasses(const std::wstring& modulePath, const std::vector<ClassRegistration>& classes)
{
    for (const ClassRegistration& c : classes)
        if (RegisterClass(modulePath, c) != ERROR_SUCCESS)
            return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT UnregisterServer(REFGUID libId, WORD major, WORD minor, LCID lcid,
                         const std::vector<ClassRegistration>& classes)
{
    if (FAILED(UnRegisterTypeLib(libId, major, minor, lcid, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32)))
        return SELFREG_E_TYPELIB;
    return UnregisterClasses(classes);
}

HRESULT UnregisterClasses(const std::vector<ClassRegistration>& classes)
{
    for (const ClassRegistration& c : classes) {
        if (DeleteTree("CLSID\\" + GuidText(*c.clsid)) != ERROR_SUCCESS ||
            (c.progId && DeleteTree(c.progId) != ERROR_SUCCESS))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

} // namespace fw
