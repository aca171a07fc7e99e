// The in-memory file system behind the native build: Windows-style paths
// (drive letter, backslashes, names compared without regard to ASCII case),
// failures reported as POSIX errno values. Tests reset it and inject faults.
#pragma once
#include <cstdint>
#include <string>

namespace memfs {

void Reset();                                   // only C:\ remains, current directory C:\.
void FailWritesAfter(int64_t bytes, int err);   // the write that passes this many bytes fails with err
void LimitOpenFiles(int count);                 // opening more than this many files fails with EMFILE
int OpenFileCount();

} // namespace memfs
