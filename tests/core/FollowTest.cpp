// The catalogue following the disk: records leave when their files go, and
// are filed again when their tags change.
#include "TestFs.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include <vector>

namespace {

using Names = std::vector<std::string>;

class Follow : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        for (const char* folder : {"A", "A2", "B"})
            platform::CreateFolder(Path(folder).c_str());
    }
    void Add(const std::string& name, const std::string& bytes, const char* info = "info")
    {
        std::string path = Path(name);
        PutFile(path, bytes);
        AddingFileRecord req;
        req.pszPath = path.c_str();
        req.pszInfo = const_cast<char*>(info);
        req.pszTime = const_cast<char*>("3:20");
        req.lLength = 200;
        req.bAddOk = 1;
        std::unique_ptr<CMusicInfo> none;
        ASSERT_EQ(cat.AddFile(&req, none), ADD_ADDED);
    }
    // The paths of a group's records.
    Names Members(CCatalogue::GroupIndex& index, const std::string& key)
    {
        Names paths;
        auto it = index.find(key);
        if (it != index.end())
            for (const CMusicInfo* info : it->second)
                paths.push_back(info->m_strPath.c_str());
        return paths;
    }
    CCatalogue cat;
};

} // namespace

// A group keeps one record per file name: the record that does not stand in
// it must leave without taking the one that does, and the last one out
// takes the group with it.
TEST_F(Follow, RemovingARecordLeavesTheOtherOfTheSameNameInItsGroups)
{
    Add("A\\song.mp3", Mp3WithTag("Song", "Band", "Album", 17));
    Add("B\\song.mp3", Mp3WithTag("Song", "Band", "Album", 17));
    ASSERT_EQ(Members(cat.Artists(), "Band"), Names{Path("A\\song.mp3")});
    const CMusicInfo& second = *cat.Files().at(Path("B\\song.mp3").c_str());
    EXPECT_EQ(cat.GroupOf(CCatalogue::ARTISTS, second), nullptr);

    EXPECT_TRUE(cat.RemoveFile(Path("B\\song.mp3").c_str()));
    EXPECT_EQ(Members(cat.Artists(), "Band"), Names{Path("A\\song.mp3")});
    EXPECT_EQ(Members(cat.Albums(), "Album"), Names{Path("A\\song.mp3")});
    EXPECT_FALSE(cat.RemoveFile(Path("B\\song.mp3").c_str()));

    EXPECT_TRUE(cat.RemoveFile(Path("A\\song.mp3").c_str()));
    EXPECT_TRUE(cat.Files().empty());
    EXPECT_EQ(cat.Artists().count("Band"), 0u);
    EXPECT_EQ(cat.Albums().count("Album"), 0u);
    EXPECT_EQ(cat.GenreGroups().size(), 0u);
}

// Only records whose files are gone leave, at the path or under it as a
// folder; a sibling folder whose name begins the same stays.
TEST_F(Follow, RemoveGoneTakesOnlyVanishedFilesUnderThePath)
{
    Add("A\\one.mp3", Mp3WithTag("One", "X", "Y", 1));
    Add("A\\two.mp3", Mp3WithTag("Two", "X", "Y", 1));
    Add("A2\\three.mp3", Mp3WithTag("Three", "X", "Y", 1));
    platform::RemoveFile(Path("A\\one.mp3").c_str());
    platform::RemoveFile(Path("A2\\three.mp3").c_str());

    Names removed;
    cat.RemoveGone(Path("A"), removed);
    EXPECT_EQ(removed, Names{Path("A\\one.mp3")});
    EXPECT_TRUE(cat.IsInCatalogue(Path("A\\two.mp3").c_str()));
    EXPECT_TRUE(cat.IsInCatalogue(Path("A2\\three.mp3").c_str()));
    EXPECT_EQ(Members(cat.Artists(), "X"), (Names{Path("A2\\three.mp3"), Path("A\\two.mp3")}));

    removed.clear();
    cat.RemoveGone(Path("A2\\three.mp3"), removed);
    EXPECT_EQ(removed, Names{Path("A2\\three.mp3")});
    cat.RemoveGone(Path("A\\two.mp3"), removed); // still there
    EXPECT_EQ(removed.size(), 1u);
}

// A tag rewritten in place: the record moves to its new groups, the old
// ones go when empty, and the host's texts and length stay.
TEST_F(Follow, RereadFileFilesTheRecordUnderItsNewTags)
{
    Add("A\\one.mp3", Mp3WithTag("One", "Old", "First", 1), "kept");
    Add("A\\two.mp3", Mp3WithTag("Two", "Old", "First", 1));
    PutFile(Path("A\\one.mp3"), Mp3WithTag("One", "New", "Second", 2));

    EXPECT_TRUE(cat.RereadFile(Path("A\\one.mp3").c_str()));
    const CMusicInfo& info = *cat.Files().at(Path("A\\one.mp3").c_str());
    EXPECT_STREQ(info.m_strArtist.c_str(), "New");
    EXPECT_EQ(info.m_nGenre, 2);
    EXPECT_STREQ(info.m_strInfo.c_str(), "kept");
    EXPECT_STREQ(info.m_strTime.c_str(), "3:20");
    EXPECT_EQ(info.m_lLength, 200);
    EXPECT_EQ(Members(cat.Artists(), "New"), Names{Path("A\\one.mp3")});
    EXPECT_EQ(Members(cat.Artists(), "Old"), Names{Path("A\\two.mp3")});
    EXPECT_EQ(Members(cat.Albums(), "Second"), Names{Path("A\\one.mp3")});

    PutFile(Path("A\\two.mp3"), "no tag any more");
    EXPECT_TRUE(cat.RereadFile(Path("A\\two.mp3").c_str()));
    EXPECT_EQ(cat.Artists().count("Old"), 0u);
    EXPECT_EQ(Members(cat.Artists(), UNKNOWN_GROUP), Names{Path("A\\two.mp3")});
    EXPECT_FALSE(cat.RereadFile(Path("A\\three.mp3").c_str()));
}
