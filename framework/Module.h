// The module: its instance handle and the lock count that DllCanUnloadNow reads.
#pragma once
#include <windows.h>
#include <string>

namespace fw {

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();
std::string ModulePath();
std::wstring ModulePathW(); // empty when it cannot be read
// What every module of ours does in DllMain and DllCanUnloadNow.
BOOL ModuleMain(HINSTANCE instance, DWORD reason);
HRESULT ModuleCanUnloadNow();
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// Every COM object of the module holds one module lock for its life.
class CModuleLock {
public:
    CModuleLock() { LockModule(); }
    ~CModuleLock() { UnlockModule(); }
    CModuleLock(const CModuleLock&) = delete;
    CModuleLock& operator=(const CModuleLock&) = delete;
};

// Converts between 8-bit text of a code page (the ANSI one unless told) and
// automation strings.
std::string ToText(const wchar_t* text, int length = -1, UINT codePage = CP_ACP);
BSTR ToBstr(const std::string& text, UINT codePage = CP_ACP);

} // namespace fw
