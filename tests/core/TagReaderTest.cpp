// The reader with extended tags: fields through the tag library in its order
// of precedence, genres, the code page, lengths, and damaged files.
#include "TagFiles.h"
#include "TestFs.h"
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include "catalogue/TagReader.h"
#include "catalogue/TagStream.h"
#include "platform/PlatformFile.h"
#include <climits>
#include <random>

namespace {

class ExtendedReader : public FsTest {
protected:
    CMusicInfo Read(const std::string& name, const std::string& bytes, bool extended = true)
    {
        PutFile(Path(name), bytes);
        CMusicInfo info;
        EXPECT_EQ(ReadMusicFile(info, Path(name).c_str(), extended), 1) << name;
        return info;
    }
    static std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album,
                             uint8_t genre)
    {
        std::string file = Mp3WithTag(title, artist, album, genre);
        return file.substr(file.size() - 128);
    }
    // Fields as "title|artist|album|genre|tagged|length|time".
    static std::string Fields(const CMusicInfo& i)
    {
        return std::string(i.m_strTitle.view()) + "|" + std::string(i.m_strArtist.view()) + "|" +
               std::string(i.m_strAlbum.view()) + "|" + std::to_string(i.m_nGenre) + "|" +
               std::to_string(i.m_bTagged) + "|" + std::to_string(i.m_lLength) + "|" + i.m_strTime.c_str();
    }
};

} // namespace

TEST_F(ExtendedReader, Mp3FieldsComeFromId3v2ThenApeThenId3v1)
{
    const std::string title = "A Title Far Longer Than The Thirty Bytes Of ID3v1";
    std::string file = Id3v2Tag(4, {{"TIT2", Utf8Text(title)}, {"TALB", Utf8Text("")}}) + MpegFrames(40) +
                       ApeTag({{"Artist", "Ape Artist"}, {"Title", "ape title"}}) +
                       Id3v1("v1 title", "v1 artist", "v1 album", 17);
    CMusicInfo info = Read("x.mp3", file);
    EXPECT_EQ(info.m_strTitle.view(), title);
    EXPECT_EQ(info.m_strArtist.view(), "Ape Artist");
    EXPECT_EQ(info.m_strAlbum.view(), "v1 album");
    EXPECT_EQ(info.m_nGenre, 17);
    EXPECT_EQ(info.m_bTagged, 1);
    EXPECT_EQ(info.m_nFileType, 1);
    EXPECT_EQ(info.m_lLength, 1); // 40 frames of 26.1 ms
    EXPECT_STREQ(info.m_strTime.c_str(), "0:01");

    // Without extended tags only the block at the end counts, and no length.
    EXPECT_EQ(Fields(Read("y.mp3", file, false)), "v1 title|v1 artist|v1 album|17|1|0|");
    // A file another program reads meanwhile is read all the same.
    int32_t code;
    platform::FileHandle held = platform::OpenRead(Path("x.mp3").c_str(), &code);
    ASSERT_NE(held, nullptr);
    CMusicInfo again;
    EXPECT_EQ(ReadMusicFile(again, Path("x.mp3").c_str(), true), 1);
    EXPECT_EQ(again.m_strTitle.view(), title);
    platform::Close(held);
    // A RIFF file named .mp3 is still no MP3.
    EXPECT_EQ(Read("riff.mp3", WavFile(1000, 100)).m_nFileType, 0);
}

TEST_F(ExtendedReader, GenreAsNumberParenthesesOrName)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"17", 17},  {"(17)", 17}, {" 17 ", 17}, {"rock", 17},   {"ROCK", 17}, {"Drum & Bass", 127},
        {"127", 127}, {"1", 1},    {"0", -1},    {"(0)", -1},    {"Blues", -1}, {"128", -1},
        {"(300)", -1}, {"", -1},   {"Rock Pop", -1}, {"Not A Genre", -1}, {"-5", -1}, {"17x", -1}};
    for (const auto& [text, number] : cases)
        EXPECT_EQ(GenreNumber(text), number) << text;

    // As each tag kind carries it.
    EXPECT_EQ(Read("v23.mp3", Id3v2Tag(3, {{"TCON", Latin1Text("(17)")}})).m_nGenre, 17);
    EXPECT_EQ(Read("v24.mp3", Id3v2Tag(4, {{"TCON", Utf8Text("Jazz")}})).m_nGenre, 8);
    EXPECT_EQ(Read("unknown.mp3", Id3v2Tag(4, {{"TCON", Utf8Text("Not A Genre")}}) + Id3v1("", "", "", 17)).m_nGenre,
              -1); // the first tag that has a genre decides
    EXPECT_EQ(Read("c.flac", FlacFile(44100, 44100, {{"GENRE", "rock"}})).m_nGenre, 17);
    EXPECT_EQ(Read("i.wav", WavFile(1000, 10, {{"IGNR", "(8)"}})).m_nGenre, 8);
}

TEST_F(ExtendedReader, TextInTheCodePageTrimmedAtTheEnd)
{
    CMusicInfo info = Read("u.mp3", Id3v2Tag(3, {{"TIT2", Utf16Text(u"Caf\u00E9 \u6771\t \r")},
                                                 {"TPE1", Latin1Text("  Lead")},
                                                 {"TALB", Utf16Text(u"   ")}}));
    EXPECT_EQ(info.m_strTitle.view(), "Caf\xE9 ?"); // the code page has no U+6771
    EXPECT_EQ(info.m_strArtist.view(), "  Lead");
    EXPECT_TRUE(info.m_strAlbum.empty());
    EXPECT_EQ(info.m_bTagged, 0);
    // ID3v1 bytes are the code page's own, as the plain reader takes them.
    EXPECT_EQ(Read("v1.mp3", MpegFrames(4) + Id3v1(" Bj\xF6rk", "A", "B", 0)).m_strTitle.view(), " Bj\xF6rk");
}

TEST_F(ExtendedReader, LengthsRoundedToWholeSeconds)
{
    const std::pair<int32_t, const char*> texts[] = {{0, "0:00"},       {59, "0:59"},        {600, "10:00"},
                                                    {3599, "59:59"},   {3600, "1:00:00"},   {36061, "10:01:01"}};
    for (const auto& [seconds, text] : texts)
        EXPECT_EQ(LengthText(seconds), text);
    EXPECT_EQ(RoundedSeconds(499), 0);
    EXPECT_EQ(RoundedSeconds(500), 1);
    EXPECT_EQ(RoundedSeconds(1499), 1);
    EXPECT_EQ(RoundedSeconds(1500), 2);

    const TagItems info = {{"INAM", "Song"}, {"IART", "Band"}, {"IPRD", "Album"}};
    EXPECT_EQ(Fields(Read("a.wav", WavFile(1000, 61500, info))), "Song|Band|Album|-1|1|62|1:02");
    EXPECT_EQ(Fields(Read("b.wav", WavFile(1000, 61400))), "|||-1|0|61|1:01");
    const TagItems comments = {{"TITLE", "T"}, {"ARTIST", "A"}, {"ALBUM", "L"}};
    EXPECT_EQ(Fields(Read("long.flac", FlacFile(44100, 44100ULL * 36005 / 10, comments))), "T|A|L|-1|1|3601|1:00:01");
    EXPECT_EQ(Fields(Read("none.flac", FlacFile(44100, 0, comments))), "T|A|L|-1|1|0|"); // no length known
}

// Files the library cannot parse, and files whose extension lies, are read
// as untagged with nothing in them; nothing else happens to them.
TEST_F(ExtendedReader, DamagedAndMislabelledFilesOfEachFormat)
{
    const char* extensions[] = {"flac", "ogg", "oga", "opus", "spx", "m4a", "m4b", "mp4", "wma", "asf",
                                "wv",   "ape", "mpc", "tta",  "aif", "aiff", "wav", "mp3"};
    const std::string wav = WavFile(1000, 3000, {{"INAM", "Song"}, {"IART", "Band"}, {"IPRD", "Album"}});
    const std::string flac = FlacFile(44100, 441000, {{"TITLE", "T"}, {"ARTIST", "A"}, {"ALBUM", "L"}});
    std::mt19937 random(7);
    std::string noise(3000, '\0');
    for (char& c : noise)
        c = char(random());
    for (const char* ext : extensions) {
        const std::string e = ext;
        std::vector<std::pair<std::string, std::string>> files = {
            {"empty", ""}, {"noise", noise}, {"cut", (e == "wav" ? wav : flac).substr(0, 30)}};
        if (e != "wav") // WAV bytes under another name
            files.push_back({"wav", wav});
        if (e != "flac" && e != "oga")
            files.push_back({"flac", flac});
        for (const auto& [kind, bytes] : files) {
            CMusicInfo info = Read(kind + "." + e, bytes);
            EXPECT_EQ(Fields(info), "|||-1|0|0|") << kind << "." << e;
            EXPECT_EQ(info.m_nFileType, e == "mp3" && kind != "wav" ? 1 : 0) << kind << "." << e;
        }
    }
}

// The library asks for blocks by the sizes a file's fields give, which may
// be anything; the stream answers with what the file holds.
TEST_F(ExtendedReader, StreamAnswersAnyRequestWithWhatTheFileHolds)
{
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += char(i * 7);
    PutFile(Path("s.bin"), bytes);
    int32_t code;
    platform::FileHandle h = platform::OpenRead(Path("s.bin").c_str(), &code);
    ASSERT_NE(h, nullptr);
    {
        CTagStream s(h, "s.bin");
        EXPECT_EQ(s.length(), 20000);
        s.seek(19990);
        TagLib::ByteVector tail = s.readBlock(ULONG_MAX - 2);
        EXPECT_EQ(std::string(tail.data(), tail.size()), bytes.substr(19990));
        EXPECT_TRUE(s.readBlock(10).isEmpty()); // at the end
        s.seek(-5, TagLib::IOStream::Beginning); // before the start: stays where it was
        EXPECT_EQ(s.tell(), 20000);
        s.seek(-100, TagLib::IOStream::End);
        s.seek(40, TagLib::IOStream::Current);
        TagLib::ByteVector mid = s.readBlock(30); // from a block near the end, then past it
        EXPECT_EQ(std::string(mid.data(), mid.size()), bytes.substr(19940, 30));
        s.seek(100);
        TagLib::ByteVector big = s.readBlock(9000); // larger than a block
        EXPECT_EQ(std::string(big.data(), big.size()), bytes.substr(100, 9000));
        EXPECT_EQ(s.tell(), 9100);
    }
    platform::Close(h);
}

namespace {

struct RealFile {
    const char* name;
    // title|artist|album|genre|tagged|length|time as documented for the file;
    // "*" for what its documents do not say.
    const char* fields;
};

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '|')
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

// The documented fields of a file read with extended tags.
::testing::AssertionResult AsDocumented(const std::string& fields, const RealFile& f)
{
    std::vector<std::string> got = Split(fields), want = Split(f.fields);
    for (size_t i = 0; i < want.size(); ++i)
        if (want[i] != "*" && (i >= got.size() || got[i] != want[i]))
            return ::testing::AssertionFailure() << f.name << ": " << fields << ", documented " << f.fields;
    return ::testing::AssertionSuccess();
}

// Lengths as the library's own tests document them in milliseconds, rounded
// here: 3549 ms and 3550 ms give 4 s, 1497 ms gives 1 s, 40 ms gives 0:00.
const RealFile kTagLibFiles[] = {
    {"silence-1.wma", "test|*|*|*|*|4|0:04"},
    {"gnre.m4a", "*|*|*|21|*|*|*"}, // "Ska"
    {"sinewave.flac", "*|*|*|*|*|4|0:04"},
    {"empty_flac.oga", "*|*|*|*|*|4|0:04"},
    {"empty.ogg", "*|*|*|*|*|4|0:04"},
    {"correctness_gain_silent_output.opus", "*|*|*|*|*|8|0:08"},
    {"empty.spx", "*|*|*|*|*|4|0:04"},
    {"empty_alac.m4a", "*|*|*|*|*|4|0:04"},
    {"lossless.wma", "*|*|*|*|*|4|0:04"},
    {"no_length.wv", "*|*|*|*|*|4|0:04"},
    {"mac-399.ape", "*|*|*|*|*|4|0:04"},
    {"sv8_header.mpc", "*|*|*|*|*|1|0:01"},
    {"click.mpc", "*|*|*|*|*|0|0:00"},
    {"empty.tta", "*|*|*|*|*|4|0:04"},
    {"empty.aiff", "*|*|*|*|*|0|0:00"},
    {"empty.wav", "*|*|*|*|*|4|0:04"},
    {"mpeg2.mp3", "*|*|*|*|*|5387|1:29:47"},
    {"bladeenc.mp3", "*|*|*|*|*|4|0:04"},
};

} // namespace

TEST_F(ExtendedReader, RealFilesOfEachFormat)
{
    const std::string dir = TW_TAGLIB_DATA_DIR;
    std::string bytes;
    if (!ReadHostFile(dir + "/sinewave.flac", bytes))
        GTEST_SKIP() << "the tag library's test files are not unpacked";
    for (const RealFile& f : kTagLibFiles) {
        ASSERT_TRUE(ReadHostFile(dir + "/" + f.name, bytes)) << f.name;
        EXPECT_TRUE(AsDocumented(Fields(Read(f.name, bytes)), f));
    }
    // Tags the library's tests document.

    // The library's own damaged files: whatever they hold, reading ends.
    for (const char* name : {"segfault.aif", "segfault.mpc", "segfault.oga", "segfault.wav", "segfault2.mpc",
                             "infloop.m4a", "infloop.mpc", "infloop.wav", "infloop.wv", "excessive_alloc.aif",
                             "excessive_alloc.mp3", "zerodiv.ape", "zerodiv.mpc", "longloop.ape",
                             "zero-length-mdat.m4a", "covr-junk.m4a", "toc_many_children.mp3"}) {
        ASSERT_TRUE(ReadHostFile(dir + "/" + name, bytes)) << name;
        CMusicInfo info = Read(name, bytes);
        EXPECT_GE(info.m_lLength, 0) << name;
    }
}

TEST_F(ExtendedReader, CorpusFilesAsTheirTagsDocumentThem)
{
    const std::string dir = TW_CORPUS_DIR;
    const RealFile files[] = {
        // Only an ID3v1 block: the same fields as without extended tags.
        {"mutagen__silence-44-s-v1.mp3", "Silence|piman|Quod Libet Test Data|50|1|*|*"},
        {"tinytag__id3v1-latin1.mp3", "Play Dead|Bj\xF6rk|The Young Americans|17|1|*|*"},
        // ID3v2 without ID3v1.
        {"mutagen__too-short.mp3", "Track 10|Hieroglyph|*|*|*|0|"}, // and no audio,
        // ID3v2 first: its genre text has no ID3v1 number, so the block's 12 is not used.
        {"tinytag__id3v1_does_not_overwrite_id3v2.mp3", "Time What Is Time|Blind Guardian|Somewhere Far Beyond|-1|1|*|*"},
    };
    std::string bytes;
    if (!ReadHostFile(dir + "/" + files[0].name, bytes))
        GTEST_SKIP() << "no corpus beside this checkout";
    for (const RealFile& f : files) {
        ASSERT_TRUE(ReadHostFile(dir + "/" + f.name, bytes)) << f.name;
        EXPECT_TRUE(AsDocumented(Fields(Read(f.name, bytes)), f));
    }
}
