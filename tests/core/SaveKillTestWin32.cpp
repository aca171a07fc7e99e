// A save ended with its process at several points of its middle: the cache
// file it was replacing must stay byte for byte what it was, and load whole.
#include "SafeSave.h"
#include "catalogue/CacheFile.h"
#include "platform/PlatformFile.h"
#include <windows.h>

namespace {

// The child's exit code, or -1 when it did not start or end.
long RunChild(const std::string& args)
{
    std::string line = "\"" + HostPath(TW_SAVE_CHILD) + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return long(code);
}
} // namespace

TEST_F(SafeSave, AProcessEndedInTheMiddleOfASaveLeavesThePreviousFileWhole)
{
    const std::string cache = Path("killed.snd");
    ASSERT_EQ(SaveFile(Catalogue(), cache.c_str()), 0);
    const std::string before = GetFile(cache);
    const size_t half = before.size() / 2;
    // After the first block, the first record of the second half, the last
    // block; before the flush; before the replace.
    const std::string steps[] = {"bytes 4096", "bytes " + std::to_string(half), "bytes " + std::to_string(before.size() - 10),
                                 "flush", "replace"};
    for (const std::string& step : steps) {
        EXPECT_EQ(RunChild("\"" + cache + "\" " + step), 99) << step << ": the save was not ended there";
        EXPECT_TRUE(GetFile(cache) == before) << step;
        EXPECT_EQ(LoadedCount(cache), kRecords) << step;
    }
    // The next save goes through and takes the leftover with it.
    Retitle(" again");
    EXPECT_EQ(SaveFile(Catalogue(), cache.c_str()), 0);
    EXPECT_FALSE(platform::PathExists(CacheTempPath(cache.c_str()).c_str()));
    EXPECT_EQ(LoadedCount(cache), kRecords);
    Retitle("");
}
