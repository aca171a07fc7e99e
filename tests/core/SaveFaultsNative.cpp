#include "SaveFaults.h"
#include "platform/native/MemFs.h"
#include <cerrno>

void RefuseWritesPast(int64_t bytes) { memfs::FailWritesAfter(bytes, ENOSPC); }
