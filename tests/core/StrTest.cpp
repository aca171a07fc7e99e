// Record texts are kept small: short ones inside the pointer, equal ones of
// neighbouring records shared. Neither may ever show: every text reads back
// as written, and changing one leaves every other as it was.
#include "TestFs.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"

TEST(Str, EveryFormReadsBackAndCopiesStayApart)
{
    for (const std::string& text : {std::string(), std::string("a"), std::string("3:45"), std::string("123456"),
                                     std::string("1234567"), std::string(300, 'x'), std::string("a\0b", 3)}) {
        CStr s(text);
        EXPECT_EQ(s.view(), text);
        EXPECT_EQ(s.size(), text.size());
        EXPECT_EQ(s.empty(), text.empty());
        EXPECT_EQ(s.c_str()[s.size()], '\0');
        CStr copy = s;
        CStr other("something else entirely");
        other = s;
        copy = "changed";
        EXPECT_EQ(s.view(), text);
        EXPECT_EQ(other.view(), text);
        CStr moved(std::move(other));
        EXPECT_EQ(moved.view(), text);
        moved = moved; // itself
        EXPECT_EQ(moved.view(), text);
    }
    CStr name("Northern Midnight");
    CStr copy = name;
    EXPECT_TRUE(copy.SharesWith(name));
    EXPECT_EQ(copy.c_str(), name.c_str());
    EXPECT_FALSE(CStr("Northern Midnight").SharesWith(name)); // equal text, own bytes

    // The end of a text, sharing its bytes where the form allows, outlives it.
    CStr path("C:\\Music\\Artist\\01 - A Rather Long Title.mp3");
    CStr tail = CStr::TailOf(path, 16), shortTail = CStr::TailOf(path, 38), all = CStr::TailOf(path, 0);
    CStr ofTail = CStr::TailOf(tail, 5), past = CStr::TailOf(path, 99), ofShort = CStr::TailOf(CStr("3:45"), 2);
    path = "another text altogether";
    EXPECT_EQ(tail, "01 - A Rather Long Title.mp3");
    EXPECT_EQ(tail.size(), 28u);
    EXPECT_EQ(shortTail, "le.mp3");
    EXPECT_EQ(all, "C:\\Music\\Artist\\01 - A Rather Long Title.mp3");
    EXPECT_EQ(ofTail, "A Rather Long Title.mp3");
    EXPECT_EQ(ofTail.c_str() - tail.c_str(), 5); // one block for all of them
    EXPECT_TRUE(past.empty());
    EXPECT_EQ(ofShort, "45");
    CStr tailCopy = tail;
    tail = CStr();
    EXPECT_EQ(tailCopy, "01 - A Rather Long Title.mp3");
    EXPECT_EQ(std::string(tailCopy.c_str()), "01 - A Rather Long Title.mp3"); // ends with its zero
}

class SharedTexts : public FsTest {
protected:
    CMusicInfo* Add(CCatalogue& cat, const std::string& name, const char* album, const char* time)
    {
        PutFile(Path(name), "x");
        std::unique_ptr<CMusicInfo> info(new CMusicInfo);
        info->m_strPath = Path(name);
        info->m_strFileName = name;
        info->m_strAlbum = album;
        info->m_strArtist = "The Artist Of Them All";
        info->m_strTime = time;
        CMusicInfo* raw = info.get();
        EXPECT_EQ(cat.AddFile(nullptr, info), ADD_ADDED);
        return raw;
    }
};

TEST_F(SharedTexts, NeighboursShareEqualTextsAndChangeThemApart)
{
    CCatalogue cat;
    CMusicInfo* a = Add(cat, "a.mp3", "Greatest Hits Vol. 1", "3:45");
    CMusicInfo* b = Add(cat, "b.mp3", "Greatest Hits Vol. 1", "3:45");
    CMusicInfo* c = Add(cat, "c.mp3", "Greatest Hits Vol. 2", "3:45");
    EXPECT_TRUE(b->m_strAlbum.SharesWith(a->m_strAlbum));
    EXPECT_EQ(a->m_strFileName.c_str(), a->m_strPath.c_str() + a->m_strPath.size() - 5); // a.mp3, in the path's bytes
    EXPECT_TRUE(b->m_strArtist.SharesWith(a->m_strArtist));
    EXPECT_TRUE(c->m_strArtist.SharesWith(a->m_strArtist));
    EXPECT_FALSE(c->m_strAlbum.SharesWith(b->m_strAlbum));
    b->m_strAlbum = "Another";
    EXPECT_EQ(a->m_strAlbum, "Greatest Hits Vol. 1");
    EXPECT_EQ(b->m_strAlbum, "Another");

    // Read back from a cache file, neighbours share again, and every record
    // keeps its own texts.
    ASSERT_EQ(SaveFile(cat, Path("c.snd").c_str()), 0);
    CCatalogue back;
    ASSERT_EQ(LoadFile(back, Path("c.snd").c_str()), 0);
    ASSERT_EQ(back.Files().size(), 3u);
    std::vector<const CMusicInfo*> r;
    for (const auto& entry : back.Files())
        r.push_back(entry.second.get());
    EXPECT_TRUE(r[2]->m_strArtist.SharesWith(r[0]->m_strArtist));
    EXPECT_EQ(r[0]->m_strAlbum, "Greatest Hits Vol. 1");
    EXPECT_EQ(r[1]->m_strAlbum, "Another");
    EXPECT_EQ(r[2]->m_strAlbum, "Greatest Hits Vol. 2");
    for (const CMusicInfo* info : r)
        EXPECT_EQ(info->m_strTime, "3:45");
}
