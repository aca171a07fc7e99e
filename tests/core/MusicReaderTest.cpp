#include "TestFs.h"
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include "platform/PlatformFile.h"

namespace {

class Reader : public FsTest {
protected:
    CMusicInfo Read(const std::string& name, const std::string& bytes, int expected = 1)
    {
        PutFile(Path(name), bytes);
        CMusicInfo info;
        EXPECT_EQ(ReadMusicFile(info, Path(name).c_str()), expected) << name;
        return info;
    }
};

// A tag whose title is "Abc" with blanks and a tab after it, and whose artist
// is " Lead" with tab, CR, LF, VT and FF after it.
std::string Tricky()
{
    std::string bytes = Mp3WithTag("x", "y", "z", 5);
    std::string title = "Abc  \t", artist = " Lead\t\r\n\v\f";
    bytes.replace(bytes.size() - 125, title.size(), title);
    bytes.replace(bytes.size() - 95, 30, artist + std::string(30 - artist.size(), ' '));
    return bytes;
}

std::string Riff(std::string bytes)
{
    bytes.replace(0, 4, "RIFF");
    return bytes;
}

} // namespace

// One file a row: what the reader answers and makes of it, as
// "title|artist|album|genre tagged type".
TEST_F(Reader, EveryTagCaseOneFileARow)
{
    const std::string full30(30, 'x'), tagged = Mp3WithTag("T", "A", "B", 9);
    std::string shortTag = std::string("TAG") + "Tiny" + std::string(26, '\0') + "Art";
    shortTag.resize(100, '\0'); // the file ends inside the artist field
    const struct {
        const char* name;
        std::string bytes;
        int result;
        std::string read;
    } rows[] = {
        {"song.Mp3", Mp3WithTag("Song", "Band", "", 0), 1, "Song|Band||-1 0 1"}, // no album: not tagged
        {"a.mp3", Mp3WithTag("Song", "Band", "Best Of", 17), 1, "Song|Band|Best Of|17 1 1"},
        // The three markers, and no other.
        {"1.mp3", Mp3WithTag("T", "A", "B", 1, "ID3"), 1, "T|A|B|1 1 1"},
        {"2.mp3", Mp3WithTag("T", "A", "B", 1, "MP3"), 1, "T|A|B|1 1 1"},
        {"3.mp3", Mp3WithTag("T", "A", "B", 1, "tag"), 1, "|||-1 0 1"},
        // The genre byte is signed: 1 to 127 only.
        {"g0.mp3", Mp3WithTag("T", "A", "B", 0), 1, "T|A|B|-1 1 1"},
        {"g127.mp3", Mp3WithTag("T", "A", "B", 127), 1, "T|A|B|127 1 1"},
        {"g128.mp3", Mp3WithTag("T", "A", "B", 128), 1, "T|A|B|-1 1 1"},
        {"g255.mp3", Mp3WithTag("T", "A", "B", 255), 1, "T|A|B|-1 1 1"},
        // Fields end at their first zero byte and lose blanks and control characters at the end only.
        {"cut.mp3", Mp3WithTag(std::string(30, ' '), std::string("Abc   \0\0 zz", 12), full30, 5), 1,
         "|Abc|" + full30 + "|5 0 1"},
        {"zero.mp3", Mp3WithTag("T", std::string("Ab\0cd", 5), "B", 2), 1, "T|Ab|B|2 1 1"},
        {"trim.mp3", Tricky(), 1, "Abc| Lead|z|5 1 1"},
        // A RIFF file named .mp3 keeps its tag but is no MP3.
        {"x.mp3", Riff(tagged), 1, "T|A|B|9 1 0"},
        // Other extensions are not opened.
        {"clip.wav", tagged, 0, "|||-1 0 0"},
        {"clip.WAV", tagged, 0, "|||-1 0 0"},
        {"x.ogg", tagged, 0, "|||-1 0 0"},
        {"noext", tagged, 0, "|||-1 0 0"},
        {"a.mp3.bak", tagged, 0, "|||-1 0 0"},
        // Short files are read from their start, with zeros after the end.
        {"short.mp3", shortTag, 1, "Tiny|Art||-1 0 1"},
        {"three.mp3", "TAG", 1, "|||-1 0 1"},
        {"riff.mp3", "RIF", 1, "|||-1 0 1"}, // three bytes are no "RIFF"
        {"empty.mp3", "", 1, "|||-1 0 1"},
    };
    for (const auto& row : rows) {
        CMusicInfo info = Read(row.name, row.bytes, row.result);
        EXPECT_EQ(std::string(info.m_strTitle.c_str()) + "|" + info.m_strArtist.c_str() + "|" +
                      info.m_strAlbum.c_str() + "|" + std::to_string(info.m_nGenre) + " " +
                      std::to_string(info.m_bTagged) + " " + std::to_string(info.m_nFileType),
                  row.read)
            << row.name;
        EXPECT_EQ(info.m_strPath, Path(row.name));
        EXPECT_STREQ(info.m_strFileName.c_str(), row.name);
    }
}

TEST_F(Reader, MissingMp3IsAnUntaggedMp3)
{
    CMusicInfo info;
    info.m_bTagged = 1;
    EXPECT_EQ(ReadMusicFile(info, Path("gone.mp3").c_str()), 0);
    EXPECT_EQ(info.m_nFileType, 1);
    EXPECT_EQ(info.m_bTagged, 0);
    EXPECT_STREQ(info.m_strFileName.c_str(), "gone.mp3");
}

TEST_F(Reader, ShortFilesAreReadFromTheStartWithZerosAfterTheEnd)
{
    // 100 bytes: "TAG", a title, then the file ends inside the artist field.
    std::string shortTag = std::string("TAG") + "Tiny" + std::string(26, '\0') + "Art";
    shortTag.resize(100, '\0');
    CMusicInfo a = Read("short.mp3", shortTag);
    EXPECT_STREQ(a.m_strTitle.c_str(), "Tiny");
    EXPECT_STREQ(a.m_strArtist.c_str(), "Art");
    EXPECT_TRUE(a.m_strAlbum.empty());
    EXPECT_EQ(a.m_nGenre, -1);
    EXPECT_EQ(a.m_nFileType, 1);

    CMusicInfo b = Read("three.mp3", "TAG");
    EXPECT_EQ(b.m_bTagged, 0);
    EXPECT_TRUE(b.m_strTitle.empty());
    CMusicInfo c = Read("riff.mp3", "RIF");
    EXPECT_EQ(c.m_nFileType, 1); // three bytes are no "RIFF"
    CMusicInfo d = Read("empty.mp3", "");
    EXPECT_EQ(d.m_nFileType, 1);
    EXPECT_EQ(d.m_bTagged, 0);
}

TEST_F(Reader, UntaggedFileLeavesTaggedFlagAlone)
{
    std::string noTag(300, '\x11');
    CMusicInfo info;
    info.m_bTagged = 1; // the reader only ever sets it when it finds a tag
    PutFile(Path("n.mp3"), noTag);
    EXPECT_EQ(ReadMusicFile(info, Path("n.mp3").c_str()), 1);
    EXPECT_EQ(info.m_bTagged, 1);
}

class Genres : public FsTest {};

TEST_F(Genres, NamesComeFromTheLanguageSection)
{
    PutFile(Path("genres.ini"), "[English]\r\n17=Rock\r\n 5 = Funk \r\n9=*NONE*\r\n10=\r\n[German]\r\n17=Rockmusik\r\n");
    CGenreNames g;
    std::string name = "before";
    EXPECT_FALSE(g.GenreName(17, name)); // no path, no section
    ASSERT_TRUE(g.SetIniPath(Path("genres.ini").c_str()));
    EXPECT_FALSE(g.GenreName(17, name)); // no section yet
    g.SetSection("english");
    EXPECT_TRUE(g.GenreName(17, name));
    EXPECT_EQ(name, "Rock");
    EXPECT_TRUE(g.GenreName(5, name));
    EXPECT_EQ(name, "Funk");
    EXPECT_FALSE(g.GenreName(9, name));
    EXPECT_FALSE(g.GenreName(10, name));
    EXPECT_FALSE(g.GenreName(11, name));
    EXPECT_FALSE(g.GenreName(0, name));
    EXPECT_FALSE(g.GenreName(-1, name));
    g.SetSection("German");
    EXPECT_TRUE(g.GenreName(17, name));
    EXPECT_EQ(name, "Rockmusik");
    g.SetSection("French");
    EXPECT_FALSE(g.GenreName(17, name));
    EXPECT_EQ(name, "Rockmusik");
}

TEST_F(Genres, LongNamesAreCutTo255Bytes)
{
    PutFile(Path("g.ini"), "[L]\r\n1=" + std::string(300, 'n') + "\r\n");
    CGenreNames g;
    ASSERT_TRUE(g.SetIniPath(Path("g.ini").c_str()));
    g.SetSection("L");
    std::string name;
    ASSERT_TRUE(g.GenreName(1, name));
    EXPECT_EQ(name, std::string(255, 'n'));
}

TEST_F(Genres, RelativePathIsResolvedWhenSetAndMissingFileKeepsTheOldPath)
{
    platform::CreateFolder(Path("sub").c_str());
    PutFile(Path("sub\\genres.ini"), "[L]\r\n3=Dance\r\n");
    std::string before = platform::GetCurrentDir();
    ASSERT_TRUE(platform::SetCurrentDir(Path("sub").c_str()));
    CGenreNames g;
    bool set = g.SetIniPath("genres.ini");
    std::string stored = g.IniPath();
    platform::SetCurrentDir(before.c_str());
    ASSERT_TRUE(set);
    EXPECT_NE(stored.find(":\\"), std::string::npos);
    EXPECT_EQ(stored.substr(stored.size() - 11), "\\genres.ini");
    g.SetSection("L");
    std::string name;
    EXPECT_TRUE(g.GenreName(3, name)); // still found after the current directory moved
    EXPECT_FALSE(g.SetIniPath(Path("nothere.ini").c_str()));
    EXPECT_EQ(g.IniPath(), stored);
}
