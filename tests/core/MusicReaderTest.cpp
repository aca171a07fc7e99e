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

} // namespace

TEST_F(Reader, PartialTagIsNotTagged)
{
    CMusicInfo info = Read("song.Mp3", Mp3WithTag("Song", "Band", "", 0));
    EXPECT_STREQ(info.m_strTitle.c_str(), "Song");
    EXPECT_STREQ(info.m_strArtist.c_str(), "Band");
    EXPECT_TRUE(info.m_strAlbum.empty());
    EXPECT_EQ(info.m_bTagged, 0);
    EXPECT_EQ(info.m_nFileType, 1);
    EXPECT_EQ(info.m_nGenre, -1);
    EXPECT_EQ(info.m_strPath, Path("song.Mp3"));
    EXPECT_STREQ(info.m_strFileName.c_str(), "song.Mp3");
}

TEST_F(Reader, FullTagWithGenre)
{
    CMusicInfo info = Read("a.mp3", Mp3WithTag("Song", "Band", "Best Of", 17));
    EXPECT_EQ(info.m_bTagged, 1);
    EXPECT_EQ(info.m_nGenre, 17);
    EXPECT_STREQ(info.m_strAlbum.c_str(), "Best Of");
}

TEST_F(Reader, AllThreeMarkersAndNoOther)
{
    EXPECT_EQ(Read("1.mp3", Mp3WithTag("T", "A", "B", 1, "ID3")).m_bTagged, 1);
    EXPECT_EQ(Read("2.mp3", Mp3WithTag("T", "A", "B", 1, "MP3")).m_bTagged, 1);
    CMusicInfo other = Read("3.mp3", Mp3WithTag("T", "A", "B", 1, "tag"));
    EXPECT_EQ(other.m_bTagged, 0);
    EXPECT_TRUE(other.m_strTitle.empty());
    EXPECT_EQ(other.m_nGenre, -1);
}

TEST_F(Reader, GenreByteIsSigned)
{
    EXPECT_EQ(Read("g0.mp3", Mp3WithTag("T", "A", "B", 0)).m_nGenre, -1);
    EXPECT_EQ(Read("g1.mp3", Mp3WithTag("T", "A", "B", 1)).m_nGenre, 1);
    EXPECT_EQ(Read("g127.mp3", Mp3WithTag("T", "A", "B", 127)).m_nGenre, 127);
    EXPECT_EQ(Read("g128.mp3", Mp3WithTag("T", "A", "B", 128)).m_nGenre, -1);
    EXPECT_EQ(Read("g255.mp3", Mp3WithTag("T", "A", "B", 255)).m_nGenre, -1);
}

TEST_F(Reader, FieldsAreCutAtZeroAndTrimmedAtTheEnd)
{
    std::string full30(30, 'x');
    CMusicInfo a = Read("a.mp3", Mp3WithTag(std::string(30, ' '), "Abc   \0\0 zz", full30, 5));
    EXPECT_TRUE(a.m_strTitle.empty());
    EXPECT_EQ(a.m_strAlbum, full30); // no zero byte: all 30 bytes
    std::string tricky = Mp3WithTag("x", "y", "z", 5);
    // "Abc" + blanks + zero bytes, and a field with tab, CR, LF, VT, FF at the end.
    std::string title = "Abc  \t";
    tricky.replace(tricky.size() - 125, title.size(), title);
    std::string artist = " Lead\t\r\n\v\f";
    tricky.replace(tricky.size() - 95, 30, artist + std::string(30 - artist.size(), ' '));
    CMusicInfo b = Read("b.mp3", tricky);
    EXPECT_STREQ(b.m_strTitle.c_str(), "Abc");
    EXPECT_STREQ(b.m_strArtist.c_str(), " Lead"); // leading blanks stay
    EXPECT_EQ(b.m_bTagged, 1);
}

TEST_F(Reader, ArtistCutAtItsFirstZeroByte)
{
    std::string bytes = Mp3WithTag("T", std::string("Ab\0cd", 5), "B", 2);
    EXPECT_STREQ(Read("z.mp3", bytes).m_strArtist.c_str(), "Ab");
}

TEST_F(Reader, RiffNamedMp3KeepsItsTagButIsNoMp3)
{
    std::string bytes = Mp3WithTag("T", "A", "B", 9);
    bytes.replace(0, 4, "RIFF");
    CMusicInfo info = Read("x.mp3", bytes);
    EXPECT_EQ(info.m_nFileType, 0);
    EXPECT_EQ(info.m_bTagged, 1);
    EXPECT_EQ(info.m_nGenre, 9);
}

TEST_F(Reader, OtherTypesAreNotOpened)
{
    std::string tagged = Mp3WithTag("T", "A", "B", 9);
    for (const char* name : {"clip.wav", "clip.WAV", "x.ogg", "noext", "a.mp3.bak"}) {
        CMusicInfo info = Read(name, tagged, 0);
        EXPECT_EQ(info.m_nFileType, 0) << name;
        EXPECT_EQ(info.m_bTagged, 0) << name;
        EXPECT_TRUE(info.m_strTitle.empty()) << name;
        EXPECT_STREQ(info.m_strFileName.c_str(), name);
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
