// The cache file is written beside itself and put in its place in one step:
// what was there before survives a full disk whole, and the file a crash
// leaves beside it is never read and goes with the next save.
#include "SafeSave.h"
#include "SaveFaults.h"
#include "catalogue/CacheFile.h"
#include "platform/PlatformFile.h"

TEST_F(SafeSave, AFullDiskLeavesThePreviousFileWhole)
{
    const std::string cache = Path("full.snd");
    ASSERT_EQ(SaveFile(Catalogue(), cache.c_str()), 0);
    const std::string before = GetFile(cache);
    Retitle("second edition");
    // In the first block, in the middle, and short of the last byte.
    for (int64_t limit : {int64_t(4096), int64_t(before.size() / 2), int64_t(before.size() + 100000)}) {
        RefuseWritesPast(limit);
        int32_t code = SaveFile(Catalogue(), cache.c_str());
        RefuseWritesPast(-1);
        EXPECT_EQ(code, 112) << "writes refused past " << limit;
        EXPECT_TRUE(GetFile(cache) == before) << "writes refused past " << limit;
        EXPECT_FALSE(platform::PathExists(CacheTempPath(cache.c_str()).c_str()));
    }
    EXPECT_EQ(LoadedCount(cache), kRecords);
    Retitle("");
}

TEST_F(SafeSave, ALeftoverOfACrashIsNeitherLoadedNorKept)
{
    const std::string cache = Path("leftover.snd");
    ASSERT_EQ(SaveFile(Catalogue(), cache.c_str()), 0);
    const std::string before = GetFile(cache);
    const std::string temp = CacheTempPath(cache.c_str());
    PutFile(temp, before.substr(0, before.size() / 3)); // a save that died a third of the way

    EXPECT_EQ(LoadedCount(cache), kRecords); // the old file, and nothing of the leftover
    EXPECT_TRUE(GetFile(cache) == before);

    Retitle("again");
    EXPECT_EQ(SaveFile(Catalogue(), cache.c_str()), 0);
    EXPECT_FALSE(platform::PathExists(temp.c_str()));
    EXPECT_GT(GetFile(cache).size(), before.size());
    EXPECT_EQ(LoadedCount(cache), kRecords);
    Retitle("");

    // An empty catalogue deletes the file and the leftover with it.
    PutFile(temp, "SNDF");
    CCatalogue empty;
    EXPECT_EQ(SaveFile(empty, cache.c_str()), 2);
    EXPECT_FALSE(platform::PathExists(cache.c_str()));
    EXPECT_FALSE(platform::PathExists(temp.c_str()));
}

TEST_F(SafeSave, ATargetThatCannotBeWrittenIsRefusedAsBefore)
{
    const std::string cache = Path("locked.snd");
    const std::string temp = CacheTempPath(cache.c_str());
    PutFile(cache, "old");
    platform::SetReadOnly(cache.c_str(), true); // refused even where the system would let a write through
    EXPECT_EQ(SaveFile(Catalogue(), cache.c_str()), 5);
    EXPECT_TRUE(GetFile(cache) == "old");
    EXPECT_FALSE(platform::PathExists(temp.c_str()));
    platform::SetReadOnly(cache.c_str(), false);

    int32_t code;
    platform::FileHandle h = platform::OpenRead(cache.c_str(), &code); // someone reads it
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SaveFile(Catalogue(), cache.c_str()), 32);
    platform::Close(h);
    EXPECT_TRUE(GetFile(cache) == "old");
    EXPECT_FALSE(platform::PathExists(temp.c_str()));

    EXPECT_EQ(SaveFile(Catalogue(), Path("no folder\\x.snd").c_str()), 3);
    EXPECT_EQ(SaveFile(Catalogue(), m_root.c_str()), 5); // a folder
}
