#include "CacheFile.h"
#include "Archive.h"
#include "Catalogue.h"
#include <cstring>

namespace {
const char kMagic[] = "SNDF";
const uint32_t kVersion = 1;
const size_t kMaxPath = 260; // the ANSI file functions' limit, terminator included
} // namespace

// The records go to a file beside the cache file, which takes the cache
// file's place only once it is whole and on the disk: a crash or a full disk
// in between leaves the old file as it was.
int32_t SaveFile(const CCatalogue& catalogue, const char* path)
{
    const std::string temp = CacheTempPath(path);
    // An empty catalogue leaves no stale cache file behind.
    if (catalogue.Files().empty()) {
        if (platform::PathExists(temp.c_str()))
            platform::RemoveFile(temp.c_str());
        if (!platform::PathExists(path))
            return platform::FC_OK;
        return platform::RemoveFile(path) == platform::FC_OK ? platform::FC_NOT_FOUND : platform::FC_GENERIC;
    }
    // A file that could not be written over in place is refused before anything is written.
    int32_t code = platform::CheckWritable(path);
    if (code != platform::FC_OK)
        return code;
    platform::FileHandle file = platform::OpenWrite(temp.c_str(), &code);
    if (!file)
        return code;
    {
        CArchive ar(file, CArchive::STORE);
        ar.Put(kMagic, 4) << kVersion;
        for (const auto& entry : catalogue.Files())
            if (entry.second)
                ar.WriteObject(*entry.second);
        ar.Flush();
        code = ar.Code();
    }
    if (code == platform::FC_OK)
        code = platform::FlushToDisk(file);
    platform::Close(file);
    if (code == platform::FC_OK)
        code = platform::MoveReplacing(temp.c_str(), path);
    if (code != platform::FC_OK)
        platform::RemoveFile(temp.c_str());
    return code;
}

int32_t LoadFile(CCatalogue& catalogue, const char* path)
{
    int32_t code;
    platform::FileHandle file = platform::OpenRead(path, &code);
    if (file) {
        bool rewrite = false;
        {
            CArchive ar(file, CArchive::LOAD);
            char magic[5] = {};
            ar.Get(magic, 4);
            if (std::strcmp(magic, kMagic) == 0) {
                uint32_t version;
                ar >> version;
                catalogue.BeginBatch();
                while (std::unique_ptr<CMusicInfo> info = ar.ReadObject()) {
                    if (catalogue.AddFile(nullptr, info) != ADD_ADDED)
                        rewrite = true; // the record stays with us and is freed here
                }
                catalogue.EndBatch();
            }
            code = ar.Code();
            catalogue.View().RebuildShownGroupView();
        }
        platform::Close(file);
        if (rewrite)
            SaveFile(catalogue, path);
    }
    catalogue.View().SyncViewAfterLoad();
    return code;
}

// Beside the cache file, so that the replace stays within one folder (one
// disk); the same name every time, so the next save overwrites what a crash
// left. A path at the system's length limit gets its last byte changed
// instead of one more.
std::string CacheTempPath(const char* path)
{
    std::string temp = path;
    if (temp.size() + 1 < kMaxPath)
        temp += '~';
    else if (!temp.empty())
        temp.back() = temp.back() == '~' ? '_' : '~';
    return temp;
}
