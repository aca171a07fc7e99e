// Extended tags: a whole search of a library of ID3v2-tagged MP3 files with
// ExtendedTags on, against the same search with it off, in the same run; and
// the cost of one read for each format, against the plain ID3v1 read.
//
// usage: bench_tags.exe DRIVE FILES [TAGLIB_TEST_DATA]   (DRIVE: an empty drive, such as T:)
#include "host/ControlClient.h"
#include "HostedSearch.h"
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include "tests/core/TagFiles.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

// Folders of 50 MP3 files as today's encoders write them: ID3v2.4 and no ID3v1.
void MakeLibrary(const std::string& root, int files)
{
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string audio = MpegFrames(40, true);
    for (int i = 0; i < files; ++i) {
        std::string dir = root + "\\album" + std::to_string(i / 50);
        if (i % 50 == 0)
            CreateDirectoryA(dir.c_str(), nullptr);
        std::string n = std::to_string(i);
        WriteFileBytes(dir + "\\track " + n + ".mp3",
                       Id3v2Tag(4, {{"TIT2", Utf8Text("Title " + n)}, {"TPE1", Utf8Text("Artist " + std::to_string(i / 500))},
                                    {"TALB", Utf8Text("Album " + std::to_string(i / 50))}, {"TCON", Utf8Text("Rock")}}) +
                           audio);
    }
}

// Microseconds for one read of the file, the best of a few rounds.
double ReadCost(const std::string& path, bool extended)
{
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const int reads = 200;
        double t0 = Now();
        for (int i = 0; i < reads; ++i) {
            CMusicInfo info;
            ReadMusicFile(info, path.c_str(), extended);
        }
        best = std::min(best, (Now() - t0) * 1e6 / reads);
    }
    return best;
}

bool ReadHost(const std::string& unixPath, std::string& bytes)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bool(in) || !bytes.empty();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_tags DRIVE FILES [TAGLIB_TEST_DATA]\n");
        return 2;
    }
    OleInitialize(nullptr);
    const std::string drive = argv[1];
    const int files = std::atoi(argv[2]);
    const std::string root = drive + "\\tags" + std::to_string(files);
    MakeLibrary(root, files);

    // The host keeps the length offered; the tagged MP3 files tell whether the tags were read.
    auto search = [&](bool extended, long& tagged) {
        SearchRun run = HostedSearch(root, {"*.mp3"}, -1, [extended](IDispatch* ctrl) {
            InvokeByName(ctrl, L"ExtendedTags", DISPATCH_PROPERTYPUT, {VBool(extended)});
        });
        tagged = run.counts.empty() ? 0 : run.counts[0];
        return run.seconds;
    };
    double off = 1e30, on = 1e30;
    long taggedOff = 0, taggedOn = 0;
    search(true, taggedOn); // warms the caches
    for (int rep = 0; rep < 3; ++rep) { // the best of three: the machines are shared
        off = std::min(off, search(false, taggedOff));
        on = std::min(on, search(true, taggedOn));
    }
    std::printf("search of %d ID3v2-tagged MP3 files (%ld tagged without extended tags, %ld with):\n", files,
                taggedOff, taggedOn);
    std::printf("  ExtendedTags on %8.0f ms   off %8.0f ms   ratio %.2f (aim 1.25), %.0f us more a file\n", on * 1e3,
                off * 1e3, on / off, (on - off) * 1e6 / files);
    // The floor: the search off, plus for each file what a read through the
    // tag library costs beyond the plain read, on one of the library's files.
    const std::string one = root + "\\album0\\track 0.mp3";
    const double extra = (ReadCost(one, true) - ReadCost(one, false)) * 1e-6 * files;
    std::printf("  floor (off, plus the extra cost of each read) %8.0f ms   ratio to the floor %.2f\n",
                (off + extra) * 1e3, on / (off + extra));

    // One file of each format: those the tests write, and the tag library's own test files when given.
    struct Sample {
        const char* name;
        std::string bytes;
    };
    std::vector<Sample> samples = {
        {"id3v1.mp3", MpegFrames(40, true) + std::string("TAG") + std::string(125, 'x')},
        {"id3v2.mp3", Id3v2Tag(4, {{"TIT2", Utf8Text("Title")}, {"TPE1", Utf8Text("Artist")}}) + MpegFrames(40, true)},
        {"tagged.flac", FlacFile(44100, 441000, {{"TITLE", "Title"}, {"ARTIST", "Artist"}, {"ALBUM", "Album"}})},
        {"tagged.wav", WavFile(8000, 16000, {{"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Album"}})},
    };
    const char* real[] = {"empty.ogg", "correctness_gain_silent_output.opus", "empty.spx", "has-tags.m4a",
                          "silence-1.wma", "tagged.wv", "mac-399-tagged.ape", "sv8_header.mpc", "tagged.tta",
                          "empty.aiff", "empty_flac.oga"};
    if (argc > 3)
        for (const char* name : real) {
            std::string bytes;
            if (ReadHost(std::string(argv[3]) + "/" + name, bytes))
                samples.push_back({name, bytes});
        }
    const std::string dir = drive + "\\formats";
    CreateDirectoryA(dir.c_str(), nullptr);
    const double plain = (WriteFileBytes(dir + "\\plain.mp3", samples[0].bytes), ReadCost(dir + "\\plain.mp3", false));
    std::printf("one read, extended tags, against the plain ID3v1 read of an MP3 (%.0f us):\n", plain);
    for (const Sample& s : samples) {
        std::string path = dir + "\\" + s.name;
        WriteFileBytes(path, s.bytes);
        double cost = ReadCost(path, true);
        std::printf("  %-38s %7.0f us  %5.1fx\n", s.name, cost, cost / plain);
    }
    OleUninitialize();
    return 0;
}
