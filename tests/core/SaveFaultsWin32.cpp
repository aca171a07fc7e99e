#include "SaveFaults.h"
#include <windows.h>
#include <cstring>

void* HookKernelImport(const char* name, void* hook)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), "kernel32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), name) != 0)
                continue;
            DWORD protect;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protect);
            void* before = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protect, &protect);
            return before;
        }
    }
    return nullptr;
}

namespace {
using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
WriteFileFn g_realWrite = nullptr;
int64_t g_limit = -1;
int64_t g_written = 0; // by the writes since the limit was set

BOOL WINAPI LimitedWrite(HANDLE h, LPCVOID buf, DWORD n, LPDWORD done, LPOVERLAPPED ov)
{
    if (g_limit >= 0 && g_written + n > g_limit) {
        if (done)
            *done = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    BOOL ok = g_realWrite(h, buf, n, done, ov);
    if (ok && done)
        g_written += *done;
    return ok;
}
} // namespace

void RefuseWritesPast(int64_t bytes)
{
    if (!g_realWrite)
        g_realWrite = reinterpret_cast<WriteFileFn>(HookKernelImport("WriteFile", reinterpret_cast<void*>(&LimitedWrite)));
    g_limit = bytes;
    g_written = 0;
}
