#include "TestFs.h"
#include "platform/PlatformFile.h"
#include "platform/native/MemFs.h"

std::string NewTestFolder()
{
    memfs::Reset();
    platform::CreateFolder("C:\\tw");
    return "C:\\tw";
}

void RemoveTestFolder(const std::string&)
{
    EXPECT_EQ(memfs::OpenFileCount(), 0) << "a file was left open";
    memfs::Reset();
}
