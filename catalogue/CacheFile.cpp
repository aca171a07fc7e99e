#include "CacheFile.h"
#include "Archive.h"
#include "Catalogue.h"
#include <cstring>

namespace {
const char kMagic[] = "SNDF";
const uint32_t kVersion = 1;
} // namespace

int32_t SaveFile(const CCatalogue& catalogue, const char* path)
{
    // An empty catalogue leaves no stale cache file behind.
    if (catalogue.Files().empty()) {
        if (!platform::PathExists(path))
            return platform::FC_OK;
        return platform::RemoveFile(path) == platform::FC_OK ? platform::FC_NOT_FOUND : platform::FC_GENERIC;
    }
    int32_t code;
    platform::FileHandle file = platform::OpenWrite(path, &code);
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
    platform::Close(file);
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
