// The save of the kill test, in a process of its own: it loads the cache
// file, gives every record a new title and saves it again, ending itself
// abruptly (exit code 99) at the step it is told:
//   save_child FILE bytes N   once the save has written N bytes
//   save_child FILE flush     when the save asks the system to flush the file
//   save_child FILE replace   when the save puts the new file in place
// It exits 0 when the save ran to its end, 1 when the step never came, 2 when
// the file did not load.
#include "SaveFaults.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const UINT kKilled = 99;
using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
WriteFileFn g_realWrite = nullptr;
long long g_left = 0;

BOOL WINAPI WriteThenDie(HANDLE h, LPCVOID buf, DWORD n, LPDWORD done, LPOVERLAPPED ov)
{
    if (g_left < n) { // what fits goes to the disk, then the process is gone
        g_realWrite(h, buf, DWORD(g_left), done, ov);
        TerminateProcess(GetCurrentProcess(), kKilled);
    }
    g_left -= n;
    return g_realWrite(h, buf, n, done, ov);
}
BOOL WINAPI Die() { return TerminateProcess(GetCurrentProcess(), kKilled); }
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 1;
    CCatalogue catalogue;
    if (LoadFile(catalogue, argv[1]) != 0 || catalogue.Files().empty())
        return 2;
    for (const auto& entry : catalogue.Files())
        entry.second->m_strTitle = std::string("new ") + entry.second->m_strFileName.c_str();
    void* hooked = nullptr;
    if (std::strcmp(argv[2], "bytes") == 0 && argc > 3) {
        g_left = std::atoll(argv[3]);
        g_realWrite = reinterpret_cast<WriteFileFn>(HookKernelImport("WriteFile", reinterpret_cast<void*>(&WriteThenDie)));
        hooked = reinterpret_cast<void*>(g_realWrite);
    } else if (std::strcmp(argv[2], "flush") == 0) {
        hooked = HookKernelImport("FlushFileBuffers", reinterpret_cast<void*>(&Die));
    } else if (std::strcmp(argv[2], "replace") == 0) {
        hooked = HookKernelImport("MoveFileExA", reinterpret_cast<void*>(&Die));
    }
    if (!hooked)
        return 1; // the save does not call it: the step never comes
    return SaveFile(catalogue, argv[1]) == 0 ? 0 : 1;
}
