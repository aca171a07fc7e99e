#include "Module.h"

namespace fw {

static HINSTANCE g_hInstance;
static volatile LONG g_nLocks;

void SetModuleInstance(HINSTANCE instance) { g_hInstance = instance; }
HINSTANCE ModuleInstance() { return g_hInstance; }

std::string ModulePath()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_hInstance, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
}

std::wstring ModulePathW()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(g_hInstance, &path[0], DWORD(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

BOOL ModuleMain(HINSTANCE instance, DWORD reason)
{
    if (reason == DLL_PROCESS_ATTACH) {
        SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

HRESULT ModuleCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

void LockModule() { InterlockedIncrement(&g_nLocks); }
void UnlockModule() { InterlockedDecrement(&g_nLocks); }
LONG ModuleLockCount() { return g_nLocks; }

std::string ToText(const wchar_t* text, int length, UINT codePage)
{
    if (!text || length == 0)
        return std::string();
    int n = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, text, length, &out[0], n, nullptr, nullptr);
    if (length < 0)
        out.resize(size_t(n - 1)); // without the terminator
    return out;
}

BSTR ToBstr(const std::string& text, UINT codePage)
{
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, UINT(n));
    if (out && n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out, n);
    return out;
}

} // namespace fw
