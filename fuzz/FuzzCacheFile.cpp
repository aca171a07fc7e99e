// Any bytes as a cache file: loading must answer a code of the table, never
// crash or leak, never catalogue a path twice, and leave the indexes sound.
// (One file may be catalogued under several spellings of its path: C:\a.mp3
// and C:/a.mp3 are two keys.)
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include "platform/native/MemFs.h"
#include <cstdlib>
#include <set>

static const char* const kFiles[] = {"C:\\a.mp3", "C:\\b.mp3", "C:\\c.wav"};

static void Check(bool ok)
{
    if (!ok)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    memfs::Reset();
    int32_t code;
    for (const char* path : kFiles) {
        platform::FileHandle h = platform::OpenWrite(path, &code);
        platform::Close(h);
    }
    platform::FileHandle h = platform::OpenWrite("C:\\cache.snd", &code);
    platform::Write(h, data, uint32_t(size), &code);
    platform::Close(h);

    CCatalogue cat;
    int32_t result = LoadFile(cat, "C:\\cache.snd");
    static const std::set<int32_t> codes = {0, 1, 2, 3, 4, 5, 6, 13, 16, 19, 25, 30, 32, 33, 112};
    Check(codes.count(result) == 1);
    for (const auto& entry : cat.Files())
        Check(entry.second && entry.second->m_strPath == entry.first);
    // A second load of the same file adds nothing.
    size_t before = cat.Files().size();
    LoadFile(cat, "C:\\cache.snd");
    Check(cat.Files().size() == before);
    cat.ClearCatalogue(CLEAR_MISSING);
    Check(memfs::OpenFileCount() == 0);
    return 0;
}
