// Cache file speed: SaveFile and LoadFile of a large catalogue against bare
// baselines measured in the same run, and the memory a catalogued record
// costs. Natively the files live in memory; under Wine on a real disk.
#include "catalogue/Archive.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include "platform/PlatformText.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

double BestSeconds(int reps, const std::function<void()>& prepare, const std::function<void()>& run)
{
    double best = 1e30;
    for (int i = 0; i < reps; ++i) {
        prepare();
        auto t0 = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

size_t HeapInUse()
{
#ifdef __GLIBC__
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

// One word in the code page beyond ASCII, which UnicodeNames reads into two bytes.
const char* const kWords[] = {"Blue", "Night", "River", "Golden", "Electric", "Silent", "Summer", "Broken",
                              "Northern", "Velvet", "Paper", "Glass", "Midnight", "Wild", "Echo", "Caf\xE9"};

std::string Words(unsigned seed, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        s += i ? " " : "";
        s += kWords[(seed >> (4 * i)) % 16];
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string root = argc > 2 ? argv[2] : "C:\\bench";
    platform::CreateFolder(root.c_str());

    // About 80-byte paths: root\Artist\Album\NN - Title.mp3, 20 tracks an album.
    std::vector<std::unique_ptr<CMusicInfo>> records;
    std::string lastFolder;
    for (int i = 0; i < count; ++i) {
        unsigned artist = unsigned(i / 200) * 2654435761u, album = unsigned(i / 20) * 40503u, track = unsigned(i) * 2246822519u;
        std::string artistName = Words(artist, 2) + " " + std::to_string(i / 200);
        std::string albumName = Words(album, 3);
        std::string folder = root + "\\" + artistName + "\\" + albumName + " " + std::to_string(i / 20);
        if (folder != lastFolder) {
            platform::CreateFolder((root + "\\" + artistName).c_str());
            platform::CreateFolder(folder.c_str());
            lastFolder = folder;
        }
        std::string name = std::to_string(10 + i % 20) + " - " + Words(track, 3) + ".mp3";
        std::unique_ptr<CMusicInfo> info(new CMusicInfo);
        info->m_strPath = folder + "\\" + name;
        info->m_strFileName = name;
        info->m_strTitle = Words(track, 3);
        info->m_strArtist = artistName;
        info->m_strAlbum = albumName;
        info->m_strTime = "3:" + std::to_string(10 + i % 50);
        info->m_lLength = 190 + i % 50;
        info->m_nGenre = 1 + i % 40;
        info->m_nFileType = 1;
        info->m_bTagged = 1;
        int32_t code;
        platform::Close(platform::OpenWrite(info->m_strPath.c_str(), &code));
        records.push_back(std::move(info));
    }

    auto catalogue = std::make_unique<CCatalogue>();
    for (auto& info : records)
        catalogue->AddFile(nullptr, info);

    const std::string cache = root + "\\cache.snd";
    double save = BestSeconds(3, [] {}, [&] { SaveFile(*catalogue, cache.c_str()); });
    uint32_t attrs;
    int32_t code;
    // Load the bytes once to learn the size and the paths for the baselines.
    std::string bytes;
    {
        platform::FileHandle h = platform::OpenRead(cache.c_str(), &code);
        char buf[4096];
        uint32_t got;
        while (platform::Read(h, buf, sizeof buf, &got, &code) && got)
            bytes.append(buf, got);
        platform::Close(h);
    }
    const std::string plain = root + "\\plain.bin";
    double saveBase = BestSeconds(3, [] {}, [&] {
        platform::FileHandle h = platform::OpenWrite(plain.c_str(), &code);
        for (size_t at = 0; at < bytes.size(); at += 4096)
            platform::Write(h, bytes.data() + at, uint32_t(std::min<size_t>(4096, bytes.size() - at)), &code);
        platform::Close(h);
    });

    std::unique_ptr<CCatalogue> loaded;
    double load = BestSeconds(3, [&] { loaded = std::make_unique<CCatalogue>(); },
                              [&] { LoadFile(*loaded, cache.c_str()); });
    size_t loadedCount = loaded->Files().size();
    // Memory: a catalogue read from the file, records, strings and indexes.
    loaded.reset();
    size_t heapBefore = HeapInUse();
    loaded = std::make_unique<CCatalogue>();
    LoadFile(*loaded, cache.c_str());
    size_t heapAfter = HeapInUse();
    double loadBase = BestSeconds(3, [] {}, [&] {
        platform::FileHandle h = platform::OpenRead(cache.c_str(), &code);
        char buf[4096];
        uint32_t got;
        while (platform::Read(h, buf, sizeof buf, &got, &code) && got) {
        }
        platform::Close(h);
        for (const auto& entry : catalogue->Files())
            platform::GetAttributes(entry.first, &attrs);
    });

    // With UnicodeNames the same file is read into UTF-8.
    std::unique_ptr<CCatalogue> utf8;
    auto newUtf8 = [&] {
        utf8 = std::make_unique<CCatalogue>();
        utf8->SetTextCode(platform::CODE_UTF8);
    };
    double loadUtf8 = BestSeconds(3, newUtf8, [&] { LoadFile(*utf8, cache.c_str()); });
    utf8.reset();
    size_t heapBeforeUtf8 = HeapInUse();
    newUtf8();
    LoadFile(*utf8, cache.c_str());
    size_t heapAfterUtf8 = HeapInUse();
    size_t utf8Count = utf8->Files().size();

    // Where loading goes: the archive alone reading every record, and the
    // catalogue refiling every record into the three group indexes, as a
    // filter change does.
    double reading = BestSeconds(3, [] {}, [&] {
        platform::FileHandle h = platform::OpenRead(cache.c_str(), &code);
        CArchive ar(h, CArchive::LOAD);
        char magic[4];
        uint32_t version;
        ar.Get(magic, 4) >> version;
        while (ar.ReadObject()) {
        }
        platform::Close(h);
    });
    // A minimum length that changes but hides nothing: every record is refiled.
    double regroup = BestSeconds(3, [&] { loaded->SetMinLength(loaded->MinLength() == -1 ? 0 : -1); },
                                 [&] { loaded->RebuildGroups(); });
    // The paths alone ordered into a map of the file index's kind.
    std::map<const char*, int, platform::MbsLess> paths;
    double indexing = BestSeconds(3, [&] { paths.clear(); }, [&] {
        for (const auto& entry : loaded->Files())
            paths.emplace(entry.first, 0);
    });

    std::printf("cache file, %d records, %zu bytes (%.1f bytes a record)\n", count, bytes.size(),
                double(bytes.size()) / count);
    std::printf("  save %8.1f ms   baseline %8.1f ms   ratio %.2f (aim 2.0)\n", save * 1e3, saveBase * 1e3,
                save / saveBase);
    std::printf("  load %8.1f ms   baseline %8.1f ms   ratio %.2f (aim 2.0 natively, 1.5 under Wine), %zu records "
                "loaded\n", load * 1e3, loadBase * 1e3, load / loadBase, loadedCount);
    std::printf("    reading the records alone %.1f ms; the paths alone into an index like the file index %.1f ms;\n"
                "    refiling every record into the group indexes %.1f ms (%.0f ns a record)\n",
                reading * 1e3, indexing * 1e3, regroup * 1e3, regroup * 1e9 / count);
    if (heapAfter > heapBefore)
        std::printf("  memory per catalogued record, indexes included: %.0f bytes (aim 400)\n",
                    double(heapAfter - heapBefore) / count);
    std::printf("  with UnicodeNames: load %.1f ms, %.2f of off (aim 1.10)", loadUtf8 * 1e3, loadUtf8 / load);
    if (heapAfter > heapBefore && heapAfterUtf8 > heapBeforeUtf8)
        std::printf("; memory per record %.0f bytes, %.2f of off (aim 1.10)", double(heapAfterUtf8 - heapBeforeUtf8) / count,
                    double(heapAfterUtf8 - heapBeforeUtf8) / double(heapAfter - heapBefore));
    std::printf("\n");
    return loadedCount == size_t(count) && utf8Count == size_t(count) ? 0 : 1;
}
