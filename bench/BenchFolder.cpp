// A search of a folder root against a search of the drive that holds only
// that folder, through the hosted control with a host that accepts every
// file, in the same run: what naming a folder costs, most of it the walk that
// sums the folder's bytes before the first file is offered (a bare walk of the
// same tree is printed beside). Once for the MP3 and WAV files (four entries
// in five) and once for the text files (one in five), where the walk weighs
// more against the files offered.
//
// usage: bench_folder.exe DRIVE FILES...   (DRIVE: an empty drive, such as U:)
#include "BenchTree.h"
#include "host/ControlClient.h"
#include "HostedSearch.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Pair {
    double folder = 1e30, drive = 1e30;
    int offered = 0; // -1 when the two searches offered different counts
};

// The best of five each, taking turns at going first.
Pair Compare(const std::string& drive, const std::string& root, const std::vector<std::string>& patterns)
{
    auto byDrive = [&] { return HostedSearch(drive, patterns, 200); };
    auto byFolder = [&] {
        return HostedSearch(root, patterns, 200, [](IDispatch* d) { Put(d, L"FolderSearch", VBool(true)); });
    };
    Pair p;
    for (int rep = 0; rep < 5; ++rep) {
        SearchRun first = rep % 2 ? byFolder() : byDrive();
        SearchRun second = rep % 2 ? byDrive() : byFolder();
        const SearchRun& d = rep % 2 ? second : first;
        const SearchRun& f = rep % 2 ? first : second;
        p.drive = std::min(p.drive, d.seconds);
        p.folder = std::min(p.folder, f.seconds);
        p.offered = f.offered != d.offered || p.offered < 0 ? -1 : f.offered;
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_folder DRIVE FILES...\n");
        return 2;
    }
    OleInitialize(nullptr);
    const std::string drive = argv[1];
    for (int a = 2; a < argc; ++a) {
        const int files = std::atoi(argv[a]);
        const std::string root = drive + "\\music";
        MakeTree(root, files);
        int entries = 0;
        ForEachFile(root, [&](const std::string&, const std::string&) { ++entries; }); // warms the caches
        double walk = 1e30;
        for (int rep = 0; rep < 5; ++rep) {
            double t0 = Now();
            ForEachFile(root, [](const std::string&, const std::string&) {});
            walk = std::min(walk, Now() - t0);
        }
        std::printf("search of a folder of %d files, the bare walk of it %.0f ms:\n", entries, walk * 1e3);
        for (const std::vector<std::string>& patterns :
             {std::vector<std::string>{"*.mp3", "*.wav"}, std::vector<std::string>{"*.txt"}}) {
            Pair p = Compare(drive, root, patterns);
            if (p.offered <= 0) {
                std::fprintf(stderr, "bench_folder: the folder and the drive search offered different files\n");
                return 1;
            }
            std::printf("  %5d offered: folder %8.0f ms   drive %8.0f ms   ratio %.2f (aim 1.10), the walk %.1f %%\n",
                        p.offered, p.folder * 1e3, p.drive * 1e3, p.folder / p.drive, walk / p.drive * 100);
        }
    }
    OleUninitialize();
    return 0;
}
