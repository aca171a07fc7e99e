// The group indexes are filed in bulk (a rebuild, a cache file) and kept in
// sorted blocks; they must come out exactly as the plain way gives them:
// every record filed in turn into ordered sets under the runtime's
// comparison.
#include "TestFs.h"
#include "catalogue/Archive.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include <map>
#include <random>
#include <set>

namespace {

struct PlainNameLess {
    bool operator()(const CMusicInfo* a, const CMusicInfo* b) const
    {
        return platform::MbsICmp(a->m_strFileName.c_str(), b->m_strFileName.c_str()) < 0;
    }
};
using PlainGroup = std::set<const CMusicInfo*, PlainNameLess>;
using PlainIndex = std::map<std::string, PlainGroup, platform::MbsILess>;

// An index as key spellings, each with the paths of its records in order.
using Dump = std::vector<std::pair<std::string, std::vector<std::string>>>;

template <class Index>
Dump DumpOf(const Index& index)
{
    Dump dump;
    for (const auto& group : index) {
        dump.emplace_back(group.first, std::vector<std::string>());
        for (const CMusicInfo* info : group.second)
            dump.back().second.push_back(info->m_strPath.c_str());
    }
    return dump;
}

// What a rebuild must give: every record that passes the filter, in
// file-index order, filed under its three keys.
std::vector<Dump> PlainRebuild(CCatalogue& cat)
{
    PlainIndex albums, artists, genres;
    for (const auto& entry : cat.Files()) {
        const CMusicInfo& info = *entry.second;
        if (!cat.PassesFilter(info))
            continue;
        std::string genre;
        albums[IsValidText(info.m_strAlbum.c_str()) ? info.m_strAlbum.c_str() : UNKNOWN_GROUP].insert(&info);
        artists[IsValidText(info.m_strArtist.c_str()) ? info.m_strArtist.c_str() : UNKNOWN_GROUP].insert(&info);
        genres[cat.Genres().GenreName(info.m_nGenre, genre) ? genre : UNKNOWN_GROUP].insert(&info);
    }
    return {DumpOf(albums), DumpOf(artists), DumpOf(genres)};
}

std::vector<Dump> Groups(CCatalogue& cat) { return {DumpOf(cat.Albums()), DumpOf(cat.Artists()), DumpOf(cat.GenreGroups())}; }

class Refile : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        for (const char* folder : {"A", "B", "C"})
            platform::CreateFolder(Path(folder).c_str());
        PutFile(Ini(), "[en]\r\n1=Rock\r\n2=rock\r\n3=\" Pop\"\r\n");
    }
    std::string Ini() const { return Path("g.ini"); }

    // Records with names that clash across folders and cases, texts with
    // bytes from 0x80 up, blanks and empty ones, several extensions.
    std::vector<std::unique_ptr<CMusicInfo>> MakeRecords(uint32_t seed, int count)
    {
        static const char* const folders[] = {"A", "B", "C", "a"};
        static const char* const names[] = {"song", "SONG", "Song", "zeta", "_x", "\xC4rger", "\xE4rger", "alpha",
                                            "Alpha", "10 - Blue Night River and the Long Road Home", "b"};
        static const char* const exts[] = {".mp3", ".MP3", ".wav", ".ogg", ""};
        static const char* const texts[] = {"Abba", "ABBA", "abba", " Lead", "", "Zed", "\xC4rger", "_under", "b"};
        std::mt19937 rng(seed);
        std::vector<std::unique_ptr<CMusicInfo>> records;
        for (int i = 0; i < count; ++i) {
            std::string name = std::string(names[rng() % 11]) + std::to_string(rng() % 6) + exts[rng() % 5];
            std::string path = Path(std::string(folders[rng() % 4]) + "\\" + name);
            if (!platform::PathExists(path.c_str()))
                PutFile(path, "x");
            std::unique_ptr<CMusicInfo> info(new CMusicInfo);
            info->m_strPath = path;
            info->m_strFileName = name;
            info->m_strAlbum = texts[rng() % 9];
            info->m_strArtist = texts[rng() % 9];
            info->m_nGenre = int32_t(rng() % 6) - 1;
            info->m_lLength = int32_t(rng() % 300);
            records.push_back(std::move(info));
        }
        return records;
    }

    void Add(CCatalogue& cat, std::vector<std::unique_ptr<CMusicInfo>>& records)
    {
        for (auto& info : records)
            if (info)
                cat.AddFile(nullptr, info);
    }

    void UseGenres(CCatalogue& cat)
    {
        cat.SetGenreIniPath(Ini().c_str());
        cat.Genres().SetSection("en");
    }
};

} // namespace

TEST(Group, KeepsTheOrderAndTheNamesOfASetUnderTheRuntimesComparison)
{
    std::mt19937 rng(7);
    std::vector<std::unique_ptr<CMusicInfo>> records;
    const std::string letters = "aAbB_\xE4\xC4";
    for (int i = 0; i < 4000; ++i) {
        records.emplace_back(new CMusicInfo);
        std::string name;
        for (size_t n = 1 + rng() % 6; n > 0; --n)
            name += letters[rng() % letters.size()];
        records.back()->m_strFileName = name;
    }
    CGroup group;
    PlainGroup plain;
    for (int step = 0; step < 20000; ++step) {
        CMusicInfo* info = records[rng() % records.size()].get();
        switch (rng() % 4) {
        case 0:
        case 1: { // growing most of the time, so that blocks fill and split
            auto got = group.insert(info);
            auto want = plain.insert(info);
            ASSERT_EQ(got.second, want.second);
            ASSERT_EQ(*got.first, *want.first);
            break;
        }
        case 2: {
            auto got = group.find(info);
            auto want = plain.find(info);
            ASSERT_EQ(got == group.end(), want == plain.end());
            if (want != plain.end()) {
                ASSERT_EQ(*got, *want);
            }
            break;
        }
        default: {
            auto got = group.find(info);
            if (got != group.end()) {
                auto next = group.erase(got);
                auto want = plain.erase(plain.find(info));
                ASSERT_EQ(next == group.end(), want == plain.end());
                if (want != plain.end()) {
                    ASSERT_EQ(*next, *want);
                }
            }
        }
        }
    }
    ASSERT_GT(plain.size(), 600u); // several blocks
    EXPECT_EQ(group.size(), plain.size());
    EXPECT_TRUE(std::equal(group.begin(), group.end(), plain.begin(), plain.end()));
    CGroup copy = group;
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), plain.begin(), plain.end()));
}

TEST_F(Refile, RebuildsGiveTheGroupsOfFilingEveryRecordInTurn)
{
    CCatalogue cat;
    UseGenres(cat);
    auto records = MakeRecords(11, 600);
    Add(cat, records); // in no particular order: the groups are spelt as the records came
    cat.RebuildGroups();
    EXPECT_EQ(Groups(cat), PlainRebuild(cat));

    // Filter changes that hide records and that hide nothing new.
    for (const char* hidden : {"|OGG", "|FLAC", "|AAC", "", "|WAV|MP3", "|WAV"}) {
        cat.SetHiddenExtensions(hidden);
        cat.RebuildGroups();
        EXPECT_EQ(Groups(cat), PlainRebuild(cat)) << hidden;
    }
    cat.SetMinLength(120);
    cat.RebuildGroups();
    EXPECT_EQ(Groups(cat), PlainRebuild(cat));

    // What changed the groups since the last rebuild is undone by the next.
    cat.Artists()["Nobody"]; // a view looking a name up
    cat.RebuildGroups();
    EXPECT_EQ(Groups(cat), PlainRebuild(cat));
    CMusicInfo* some = cat.Files().begin()->second.get();
    cat.RemoveFromGroup(cat.Albums(), some, some->m_strAlbum.c_str());
    cat.RebuildGroups();
    EXPECT_EQ(Groups(cat), PlainRebuild(cat));
    some->m_strArtist = "Found";
    cat.RefileAfterLookup(some);
    cat.RebuildGroups();
    EXPECT_EQ(Groups(cat), PlainRebuild(cat));
    PutFile(Ini(), "[en]\r\n1=Metal\r\n4=Jazz\r\n"); // the names file changed
    cat.RebuildGroups();
    EXPECT_EQ(Groups(cat), PlainRebuild(cat));
}

TEST_F(Refile, ACacheFileFilesItsRecordsAsAddingThemOneByOne)
{
    CCatalogue source;
    auto records = MakeRecords(12, 500);
    Add(source, records);
    ASSERT_EQ(SaveFile(source, Path("c.snd").c_str()), 0);

    CCatalogue fresh;
    UseGenres(fresh);
    ASSERT_EQ(LoadFile(fresh, Path("c.snd").c_str()), 0);
    EXPECT_EQ(Groups(fresh), PlainRebuild(fresh)); // in file order into an empty catalogue
    fresh.RebuildGroups();
    EXPECT_EQ(Groups(fresh), PlainRebuild(fresh));

    // Into a catalogue that has records and groups already: as AddFile of
    // each record of the file, in its order, would have filed them.
    auto early = MakeRecords(13, 200);
    std::vector<std::unique_ptr<CMusicInfo>> earlyCopy;
    for (auto& info : early)
        earlyCopy.emplace_back(new CMusicInfo(*info));
    CCatalogue loaded, plain;
    for (CCatalogue* cat : {&loaded, &plain}) {
        UseGenres(*cat);
        cat->SetHiddenExtensions("|WAV");
    }
    Add(loaded, early);
    Add(plain, earlyCopy);
    ASSERT_EQ(LoadFile(loaded, Path("c.snd").c_str()), 0);
    for (const auto& entry : source.Files()) {
        std::unique_ptr<CMusicInfo> copy(new CMusicInfo(*entry.second));
        plain.AddFile(nullptr, copy);
    }
    EXPECT_EQ(Groups(loaded), Groups(plain));
    EXPECT_NE(Groups(loaded), PlainRebuild(loaded)); // so the case above is not a rebuild
    loaded.RebuildGroups();
    EXPECT_EQ(Groups(loaded), PlainRebuild(loaded));

    // A file whose records are not in path order, into an empty catalogue.
    int32_t code;
    platform::FileHandle h = platform::OpenWrite(Path("r.snd").c_str(), &code);
    {
        CArchive ar(h, CArchive::STORE);
        ar.Put("SNDF", 4) << uint32_t(1);
        for (auto it = source.Files().rbegin(); it != source.Files().rend(); ++it)
            ar.WriteObject(*it->second);
    }
    platform::Close(h);
    CCatalogue reversed;
    ASSERT_EQ(LoadFile(reversed, Path("r.snd").c_str()), 0);
    EXPECT_NE(Groups(reversed), PlainRebuild(reversed));
    reversed.RebuildGroups();
    EXPECT_EQ(Groups(reversed), PlainRebuild(reversed));
}
