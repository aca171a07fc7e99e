#include "CacheFile.h"
#include "Archive.h"
#include "Catalogue.h"
#include <cstring>

namespace {
const char kMagic[] = "SNDF";
const uint32_t kVersion = 1;
const size_t kMaxPath = 260; // the file functions' limit, terminator included
} // namespace

// The records go to a file beside the cache file, which takes the cache
// file's place only once it is whole and on the disk: a crash or a full disk
// in between leaves the old file as it was.
int32_t SaveFile(const CCatalogue& catalogue, const char* text)
{
    const platform::TextCode code = catalogue.TextCode();
    const std::string tempText = CacheTempPath(text, code);
    const platform::Path path(text, code), temp(tempText, code);
    // An empty catalogue leaves no stale cache file behind.
    if (catalogue.Files().empty()) {
        if (platform::PathExists(temp))
            platform::RemoveFile(temp);
        if (!platform::PathExists(path))
            return platform::FC_OK;
        return platform::RemoveFile(path) == platform::FC_OK ? platform::FC_NOT_FOUND : platform::FC_GENERIC;
    }
    // A file that could not be written over in place is refused before anything is written.
    int32_t result = platform::CheckWritable(path);
    if (result != platform::FC_OK)
        return result;
    platform::FileHandle file = platform::OpenWrite(temp, &result);
    if (!file)
        return result;
    {
        CArchive ar(file, CArchive::STORE, code);
        ar.Put(kMagic, 4) << kVersion;
        for (const auto& entry : catalogue.Files())
            if (entry.second)
                ar.WriteObject(*entry.second);
        ar.Flush();
        result = ar.Code();
    }
    if (result == platform::FC_OK)
        result = platform::FlushToDisk(file);
    platform::Close(file);
    if (result == platform::FC_OK)
        result = platform::MoveReplacing(temp, path);
    if (result != platform::FC_OK)
        platform::RemoveFile(temp);
    return result;
}

int32_t LoadFile(CCatalogue& catalogue, const char* path)
{
    int32_t code;
    platform::FileHandle file = platform::OpenRead({path, catalogue.TextCode()}, &code);
    if (file) {
        bool rewrite = false;
        {
            CArchive ar(file, CArchive::LOAD, catalogue.TextCode());
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
// left. A path at the system's length limit gets its last character changed
// instead of one more. In UTF-8 the limit counts UTF-16 units, as the wide
// calls do, and the last character may be several bytes.
std::string CacheTempPath(const char* path, platform::TextCode code)
{
    std::string temp = path;
    const bool utf8 = code == platform::CODE_UTF8;
    size_t length = utf8 ? platform::Utf8ToWide(temp).size() : temp.size();
    if (length + 1 < kMaxPath)
        return temp + '~';
    if (temp.empty())
        return temp;
    size_t last = temp.size() - 1;
    while (utf8 && last > 0 && (static_cast<unsigned char>(temp[last]) & 0xC0) == 0x80)
        --last;
    const char was = temp[last];
    temp.resize(last);
    return temp + (was == '~' ? '_' : '~');
}
