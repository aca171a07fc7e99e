// Faults a disk does not give on demand, for the save tests. Natively the
// in-memory file system injects them; under Windows the test program's own
// imports of the file functions are replaced (the catalogue is linked into
// the program, so its calls go through them).
#pragma once
#include <cstdint>

// Every write that would take the file past this many bytes fails as a full
// disk does; a negative size lifts the limit.
void RefuseWritesPast(int64_t bytes);

#ifdef _WIN32
// Puts `hook` in the place of this program's import `name` from kernel32.dll
// and answers the function imported before, or null when there is none.
void* HookKernelImport(const char* name, void* hook);
#endif
