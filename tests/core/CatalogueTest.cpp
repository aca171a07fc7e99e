#include "TestFs.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include <vector>

namespace {

// Records what the catalogue asks of its view.
class CRecordingView : public CCatalogueView {
public:
    explicit CRecordingView(const CCatalogue& cat) : m_cat(cat) {}
    void InsertFileRow(const CMusicInfo& info) override { rows.push_back(info.m_strPath.c_str()); }
    void SetGenreViewAvailable(bool available) override { genreView.push_back(available); }
    void DiscardGroupedRows() override
    {
        ++discards;
        clearingSeen = m_cat.IsClearing();
    }
    std::vector<std::string> rows;
    std::vector<bool> genreView;
    int discards = 0;
    bool clearingSeen = false;

private:
    const CCatalogue& m_cat;
};

class Catalogue : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        cat.SetView(&view);
        platform::CreateFolder(Path("A").c_str());
        platform::CreateFolder(Path("B").c_str());
    }

    // Creates the file and adds it as the scan does, with the host's answers.
    int32_t Add(const std::string& name, const std::string& bytes, int32_t length = 200,
                const char* info = "info", const char* time = "3:20")
    {
        std::string path = Path(name);
        if (!platform::PathExists(path.c_str()))
            PutFile(path, bytes);
        AddingFileRecord req;
        req.pszPath = path.c_str();
        req.pszInfo = const_cast<char*>(info);
        req.pszTime = const_cast<char*>(time);
        req.lLength = length;
        req.bAddOk = 1;
        std::unique_ptr<CMusicInfo> none;
        return cat.AddFile(&req, none);
    }

    std::vector<std::string> Members(CCatalogue::GroupIndex& index, const std::string& key)
    {
        std::vector<std::string> names;
        auto it = index.find(key);
        if (it != index.end())
            for (CMusicInfo* info : it->second)
                names.push_back(info->m_strFileName.c_str());
        return names;
    }

    std::vector<std::string> Keys(const CCatalogue::GroupIndex& index)
    {
        std::vector<std::string> keys;
        for (const auto& g : index)
            keys.push_back(g.first);
        return keys;
    }

    CCatalogue cat;
    CRecordingView view{cat};
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(Catalogue, AddFileCopiesTheAnswersOnceAndKeepsTheFirstRecord)
{
    ASSERT_EQ(Add("A\\one.mp3", Mp3WithTag("One", "Abba", "Gold", 1), 215, "first", "3:35"), ADD_ADDED);
    const CMusicInfo& rec = *cat.Files().begin()->second;
    EXPECT_STREQ(rec.m_strInfo.c_str(), "first");
    EXPECT_STREQ(rec.m_strTime.c_str(), "3:35");
    EXPECT_EQ(rec.m_lLength, 215);
    EXPECT_EQ(rec.m_bTagged, 1);

    EXPECT_EQ(Add("A\\one.mp3", "", 99, "second", "0:01"), ADD_ALREADY);
    EXPECT_STREQ(rec.m_strInfo.c_str(), "first");
    EXPECT_EQ(rec.m_lLength, 215);
    EXPECT_EQ(cat.Files().size(), 1u);
    EXPECT_EQ(view.rows, Names{Path("A\\one.mp3")});

    EXPECT_EQ(Add("A\\two.mp3", "", 10, nullptr, nullptr), ADD_ADDED); // null answers: empty texts
    EXPECT_TRUE(cat.Files().at(Path("A\\two.mp3").c_str())->m_strTime.empty());
}

TEST_F(Catalogue, MissingFileIsNotAddedAndAnAdoptedRecordStaysWithTheCaller)
{
    AddingFileRecord req;
    std::string gone = Path("gone.mp3");
    req.pszPath = gone.c_str();
    std::unique_ptr<CMusicInfo> none;
    EXPECT_EQ(cat.AddFile(&req, none), ADD_NO_FILE);

    std::unique_ptr<CMusicInfo> rec(new CMusicInfo);
    rec->m_strPath = gone;
    EXPECT_EQ(cat.AddFile(nullptr, rec), ADD_NO_FILE);
    EXPECT_NE(rec, nullptr);
    EXPECT_TRUE(cat.Files().empty());

    PutFile(gone, "x");
    EXPECT_EQ(cat.AddFile(nullptr, rec), ADD_ADDED);
    EXPECT_EQ(rec, nullptr);
    EXPECT_TRUE(cat.IsInCatalogue(gone.c_str()));
}

TEST_F(Catalogue, GroupsAreCaseInsensitiveAndHoldOneRecordPerFileName)
{
    Add("A\\song.mp3", Mp3WithTag("S", "abba", "Gold", 1));
    Add("B\\SONG.MP3", Mp3WithTag("S", "ABBA", "Gold", 1));
    Add("B\\zeta.mp3", Mp3WithTag("Z", "ABBA", "Gold", 1));
    Add("B\\Alpha.mp3", Mp3WithTag("A", "Abba", "Silver", 1));
    EXPECT_EQ(cat.Files().size(), 4u);
    EXPECT_EQ(Keys(cat.Artists()), Names{"abba"}); // named by the record that came first
    EXPECT_EQ(Members(cat.Artists(), "ABBA"), (Names{"Alpha.mp3", "song.mp3", "zeta.mp3"}));
    EXPECT_EQ(cat.Artists().begin()->second.count(cat.Files().at(Path("A\\song.mp3").c_str()).get()), 1u);
    EXPECT_EQ(Keys(cat.Albums()), (Names{"Gold", "Silver"}));
    int32_t tagged, mp3, total;
    cat.GetMusicCounts(&tagged, &mp3, &total);
    EXPECT_EQ(total, 4);
    EXPECT_EQ(view.rows.size(), 4u); // both song files have a row
}

TEST_F(Catalogue, RecordsWithoutNamesGoToTheUnknownGroups)
{
    Add("a.mp3", Mp3WithTag("T", " Lead", "", 17));
    Add("b.wav", "RIFF....WAVE");
    EXPECT_EQ(Keys(cat.Artists()), Names{UNKNOWN_GROUP});
    EXPECT_EQ(Keys(cat.Albums()), Names{UNKNOWN_GROUP});
    EXPECT_EQ(Keys(cat.GenreGroups()), Names{UNKNOWN_GROUP}); // no genre names file
    EXPECT_EQ(Members(cat.GenreGroups(), UNKNOWN_GROUP), (Names{"a.mp3", "b.wav"}));

    PutFile(Path("g.ini"), "[en]\r\n17=Rock\r\n");
    cat.SetGenreIniPath(Path("g.ini").c_str());
    cat.Genres().SetSection("en");
    Add("c.mp3", Mp3WithTag("T", "X", "Y", 17));
    EXPECT_EQ(Members(cat.GenreGroups(), "Rock"), Names{"c.mp3"});
    cat.SetGenreIniPath(Path("none.ini").c_str()); // withdrawn, the old file stays in use
    EXPECT_EQ(view.genreView, (std::vector<bool>{true, false}));
    Add("d.mp3", Mp3WithTag("T", "X", "Y", 17));
    EXPECT_EQ(Members(cat.GenreGroups(), "Rock"), (Names{"c.mp3", "d.mp3"}));
}

TEST_F(Catalogue, FilterKeepsRecordsOutOfGroupsAndRowsButInTheIndex)
{
    cat.SetMinLength(120);
    cat.SetHiddenExtensions("|WAV");
    Add("short.mp3", Mp3WithTag("T", "X", "Y", 1), 119);
    Add("edge.mp3", Mp3WithTag("T", "X", "Y", 1), 120);
    Add("clip.wav", "RIFF", 500);
    Add("nodot", "data", 500);
    EXPECT_EQ(cat.Files().size(), 4u);
    EXPECT_EQ(view.rows, Names{Path("edge.mp3")});
    EXPECT_EQ(Members(cat.Artists(), "X"), Names{"edge.mp3"});
    EXPECT_EQ(Keys(cat.Artists()), Names{"X"});

    cat.SetMinLength(-1);
    cat.SetHiddenExtensions("");
    cat.RebuildGroups();
    EXPECT_EQ(Members(cat.Artists(), "X"), (Names{"edge.mp3", "short.mp3"}));
    EXPECT_EQ(Members(cat.Artists(), UNKNOWN_GROUP), Names{"clip.wav"}); // nodot has no group ever
    EXPECT_EQ(view.rows.size(), 1u); // rebuilding groups makes no rows

    CMusicInfo negative;
    negative.m_strPath = "x.mp3";
    negative.m_lLength = -1; // the default minimum is -1, compared with sign
    EXPECT_TRUE(cat.PassesFilter(negative));
    negative.m_lLength = -2;
    EXPECT_FALSE(cat.PassesFilter(negative));
}

TEST_F(Catalogue, RemoveFromGroupAnswersWhatIsLeft)
{
    Add("a.mp3", Mp3WithTag("T", "X", "Y", 1));
    Add("b.mp3", Mp3WithTag("T", "X", "Y", 1));
    CMusicInfo* a = cat.Files().at(Path("a.mp3").c_str()).get();
    CMusicInfo* b = cat.Files().at(Path("b.mp3").c_str()).get();
    EXPECT_EQ(cat.RemoveFromGroup(cat.Artists(), a, ""), -1);
    EXPECT_EQ(cat.RemoveFromGroup(cat.Artists(), a, " X"), -1);
    EXPECT_EQ(cat.RemoveFromGroup(cat.Artists(), a, "Nobody"), -1);
    EXPECT_TRUE(cat.Artists().count("Nobody") == 0); // looking up created nothing
    EXPECT_EQ(cat.RemoveFromGroup(cat.Artists(), a, "x"), 1);
    EXPECT_EQ(cat.RemoveFromGroup(cat.Artists(), a, "X"), -1);
    EXPECT_EQ(cat.RemoveFromGroup(cat.Artists(), b, "X"), 0);
    EXPECT_TRUE(cat.Artists().empty());
}

TEST_F(Catalogue, PruningDropsOnlyVanishedFilesFromIndexAndGroups)
{
    Add("A\\keep.mp3", Mp3WithTag("K", "Band", "One", 1));
    Add("A\\gone.mp3", Mp3WithTag("G", "Band", "Two", 1));
    Add("B\\solo.wav", "RIFF");
    cat.ClearCatalogue(CLEAR_MISSING); // everything still there: nothing changes
    EXPECT_EQ(cat.Files().size(), 3u);

    ASSERT_EQ(platform::RemoveFile(Path("A\\gone.mp3").c_str()), 0);
    ASSERT_EQ(platform::RemoveFile(Path("B\\solo.wav").c_str()), 0);
    cat.ClearCatalogue(CLEAR_MISSING);
    EXPECT_EQ(cat.Files().size(), 1u);
    EXPECT_FALSE(cat.IsInCatalogue(Path("A\\gone.mp3").c_str()));
    EXPECT_EQ(Members(cat.Artists(), "Band"), Names{"keep.mp3"});
    EXPECT_EQ(Keys(cat.Albums()), Names{"One"});
    EXPECT_EQ(Keys(cat.Artists()), Names{"Band"}); // the unknown group of solo.wav went with it
    EXPECT_EQ(Members(cat.GenreGroups(), UNKNOWN_GROUP), Names{"keep.mp3"});
    EXPECT_EQ(view.discards, 0);
}

TEST_F(Catalogue, PruningNeverLeavesAGroupPointingAtADeletedRecord)
{
    // Filed under "Rock"; by the time the file vanishes the names file says
    // "Metal", so the record's own genre name no longer leads to its group.
    PutFile(Path("g.ini"), "[en]\r\n17=Rock\r\n18=\" Pop\"\r\n");
    cat.Genres().SetIniPath(Path("g.ini").c_str());
    cat.Genres().SetSection("en");
    Add("a.mp3", Mp3WithTag("T", "X", "Y", 17));
    Add("b.mp3", Mp3WithTag("T", "X", "Y", 18));
    Add("c.mp3", Mp3WithTag("T", "X", "Y", 18));
    EXPECT_EQ(Members(cat.GenreGroups(), " Pop"), (Names{"b.mp3", "c.mp3"})); // names are taken as they come
    PutFile(Path("g.ini"), "[en]\r\n17=Metal\r\n");
    platform::RemoveFile(Path("a.mp3").c_str());
    platform::RemoveFile(Path("b.mp3").c_str());
    cat.ClearCatalogue(CLEAR_MISSING);
    EXPECT_EQ(Keys(cat.GenreGroups()), Names{" Pop"});
    EXPECT_EQ(Members(cat.GenreGroups(), " Pop"), Names{"c.mp3"});
    for (auto* index : {&cat.Albums(), &cat.Artists(), &cat.GenreGroups()})
        for (auto& group : *index)
            for (CMusicInfo* info : group.second)
                EXPECT_TRUE(cat.IsInCatalogue(info->m_strPath.c_str())) << group.first;
}

TEST_F(Catalogue, ClearingEverythingDiscardsRowsWhileTheFlagIsSet)
{
    Add("a.mp3", Mp3WithTag("T", "X", "Y", 1));
    Add("b.mp3", Mp3WithTag("T", "Z", "Y", 1));
    cat.ClearCatalogue(CLEAR_GROUP_ROWS | CLEAR_ALL_FILES | CLEAR_GROUPS);
    EXPECT_EQ(view.discards, 1);
    EXPECT_TRUE(view.clearingSeen);
    EXPECT_FALSE(cat.IsClearing());
    EXPECT_TRUE(cat.Files().empty());
    EXPECT_TRUE(cat.Artists().empty() && cat.Albums().empty() && cat.GenreGroups().empty());
}

TEST_F(Catalogue, LookupRefilesOnlyWhereTheRecordGotAName)
{
    Add("a.mp3", Mp3WithTag("", "", "", 0));
    Add("b.mp3", Mp3WithTag("T", "Known", "", 0));
    CMusicInfo* a = cat.Files().at(Path("a.mp3").c_str()).get();
    a->m_strArtist = "Found";
    a->m_strTitle = "Title";
    cat.RefileAfterLookup(a);
    EXPECT_EQ(Members(cat.Artists(), "Found"), Names{"a.mp3"});
    EXPECT_EQ(Members(cat.Artists(), UNKNOWN_GROUP), Names{}); // b was never there
    EXPECT_EQ(Members(cat.Albums(), UNKNOWN_GROUP), (Names{"a.mp3", "b.mp3"}));
    EXPECT_EQ(Members(cat.GenreGroups(), UNKNOWN_GROUP), (Names{"a.mp3", "b.mp3"}));
}

TEST_F(Catalogue, CountsAndExtensionQueries)
{
    int32_t tagged = -1, mp3 = -1, total = -1;
    cat.GetMusicCounts(&tagged, &mp3, &total);
    EXPECT_EQ(tagged + mp3 + total, 0);

    Add("u.mp3", std::string(300, '\0'));
    Add("w.wav", "RIFF");
    cat.GetMusicCounts(&tagged, &mp3, &total);
    EXPECT_EQ(tagged, 0);
    EXPECT_EQ(mp3, 1);
    EXPECT_EQ(total, 2);

    Add("t.MP3", Mp3WithTag("T", "A", "B", 3));
    Add("r.mp3", [] { std::string s = Mp3WithTag("T", "A", "B", 3); s.replace(0, 4, "RIFF"); return s; }());
    cat.GetMusicCounts(&tagged, &mp3, &total);
    EXPECT_EQ(tagged, 1); // the RIFF file is tagged but no MP3
    EXPECT_EQ(mp3, 2);
    EXPECT_EQ(total, 4);
    EXPECT_EQ(cat.CountByExtension("|MP3"), 3);
    EXPECT_EQ(cat.CountByExtension("|WAV|MP3"), 4);
    EXPECT_EQ(cat.CountByExtension("|OGG"), 0);
    EXPECT_FALSE(cat.IsInCatalogue(Path("T.MP3").c_str())); // the index is case-sensitive
}
