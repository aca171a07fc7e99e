#include "TestFs.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include <random>
#include <set>

namespace {

std::string U16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string U32(uint32_t v) { return U16(uint16_t(v)) + U16(uint16_t(v >> 16)); }
std::string S(const std::string& s) { return std::string(1, char(s.size())) + s; } // below 255 bytes

const std::string kHeader = std::string("\xFF\xFF\x01\x00\x0A\x00", 6) + "CMusicInfo";
const std::string kClassRef = "\x01\x80";

class CacheFile : public FsTest {
protected:
    // A record whose file exists, as a scan would have added it.
    CMusicInfo* AddRecord(CCatalogue& cat, const std::string& name, const char* title = "", int32_t length = 60)
    {
        std::string path = Path(name);
        if (!platform::PathExists(path.c_str()))
            PutFile(path, "data");
        std::unique_ptr<CMusicInfo> info(new CMusicInfo);
        info->m_strPath = path;
        info->m_strFileName = name;
        info->m_strTitle = title;
        info->m_lLength = length;
        CMusicInfo* raw = info.get();
        EXPECT_EQ(cat.AddFile(nullptr, info), ADD_ADDED);
        return raw;
    }

    std::string RecordBytes(const std::string& name, const std::string& title, int32_t length)
    {
        return S(name) + S("") + S("") + S("") + S("") + S(Path(name)) + S(title) + U32(0) + U32(uint32_t(-1)) +
               U32(uint32_t(length)) + U32(0);
    }

    std::string Cache() const { return Path("cache.snd"); }
};

} // namespace

TEST_F(CacheFile, ThreeRecordsAreWrittenByteForByteInPathOrder)
{
    CCatalogue cat;
    AddRecord(cat, "b.mp3", "Bee", 7);
    AddRecord(cat, "A.mp3", "Ay", 300);
    CMusicInfo* c = AddRecord(cat, "c.wav");
    c->m_strInfo = "info";
    c->m_strTime = "0:05";
    c->m_strAlbum = "Alb";
    c->m_strArtist = "Art";
    c->m_nFileType = 1;
    c->m_nGenre = 17;
    c->m_bTagged = 1;
    ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);

    std::string expected = std::string("SNDF") + U32(1) + kHeader + RecordBytes("A.mp3", "Ay", 300) + kClassRef +
                           RecordBytes("b.mp3", "Bee", 7) + kClassRef + S("c.wav") + S("0:05") + S("info") +
                           S("Alb") + S("Art") + S(Path("c.wav")) + S("") + U32(1) + U32(17) + U32(60) + U32(1);
    EXPECT_EQ(GetFile(Cache()), expected);
}

TEST_F(CacheFile, EmptyRecordTakesTwentyThreeBytes)
{
    CCatalogue cat;
    CMusicInfo* info = AddRecord(cat, "x");
    std::string path = info->m_strPath.c_str();
    ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);
    size_t withPathAndName = GetFile(Cache()).size();
    // Everything but the path and file name empty or zero: 7 prefixes, 16 bytes of numbers.
    info->m_lLength = 0;
    info->m_nGenre = 0;
    ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);
    std::string bytes = GetFile(Cache());
    EXPECT_EQ(bytes.size(), withPathAndName);
    EXPECT_EQ(bytes.size(), 8 + kHeader.size() + 23 + path.size() + 1);
    EXPECT_EQ(bytes.substr(bytes.size() - 16), std::string(16, '\0'));
}

TEST_F(CacheFile, StringLengthPrefixesAtTheirBoundaries)
{
    const struct {
        size_t length;
        std::string prefix;
    } cases[] = {
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {0xFFFD, "\xFF\xFD\xFF"},
        {0xFFFE, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF", 3) + U32(70000)},
    };
    for (const auto& c : cases) {
        CCatalogue cat;
        CMusicInfo* info = AddRecord(cat, "f");
        info->m_strTitle = std::string(c.length, 't');
        ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);
        std::string bytes = GetFile(Cache());
        std::string title = c.prefix + std::string(c.length, 't');
        EXPECT_EQ(bytes.substr(bytes.size() - 16 - title.size(), title.size()), title) << c.length;

        CCatalogue back;
        platform::RemoveFile(Path("f").c_str());
        PutFile(Path("f"), "data");
        ASSERT_EQ(LoadFile(back, Cache().c_str()), 0);
        ASSERT_EQ(back.Files().size(), 1u);
        EXPECT_EQ(back.Files().begin()->second->m_strTitle.size(), c.length);
    }
}

TEST_F(CacheFile, Utf16StringsAreReadIntoTheAnsiCodePage)
{
    std::string wide = std::string("\xFF\xFE\xFF", 3) + "\x06" + U16('B') + U16('j') + U16(0xF6) + U16('r') +
                       U16('k') + U16(0x20AC);
    PutFile(Path("f.mp3"), "data");
    std::string file = std::string("SNDF") + U32(1) + kHeader + S("f.mp3") + S("") + S("") + S("") + wide +
                       S(Path("f.mp3")) + S("") + U32(1) + U32(5) + U32(6) + U32(0);
    PutFile(Cache(), file);
    CCatalogue cat;
    EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
    ASSERT_EQ(cat.Files().size(), 1u);
    const CMusicInfo& info = *cat.Files().begin()->second;
    EXPECT_STREQ(info.m_strArtist.c_str(), "Bj\xF6rk\x80");
    EXPECT_EQ(info.m_nGenre, 5);
    EXPECT_EQ(info.m_lLength, 6);
    EXPECT_EQ(GetFile(Cache()), file); // everything was added: the file is left alone
}

TEST_F(CacheFile, RandomCataloguesSurviveSaveAndLoad)
{
    std::mt19937 rng(1234);
    auto text = [&](size_t maxLen) {
        std::string s(rng() % (maxLen + 1), '\0');
        for (char& ch : s)
            ch = char(1 + rng() % 255);
        return s;
    };
    for (int round = 0; round < 20; ++round) {
        CCatalogue cat;
        int count = 1 + int(rng() % 40);
        for (int i = 0; i < count; ++i) {
            CMusicInfo* info = AddRecord(cat, "r" + std::to_string(round) + "_" + std::to_string(i) + ".mp3");
            info->m_strInfo = text(rng() % 8 == 0 ? 700 : 40);
            info->m_strTime = text(6);
            info->m_strAlbum = text(30);
            info->m_strArtist = text(30);
            info->m_strTitle = text(rng() % 16 == 0 ? 70000 : 30);
            info->m_nFileType = int32_t(rng() % 2);
            info->m_nGenre = int32_t(rng());
            info->m_lLength = int32_t(rng());
            info->m_bTagged = int32_t(rng() % 3);
        }
        ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);
        std::string first = GetFile(Cache());
        CCatalogue back;
        ASSERT_EQ(LoadFile(back, Cache().c_str()), 0);
        ASSERT_EQ(back.Files().size(), size_t(count));
        ASSERT_EQ(SaveFile(back, Path("again.snd").c_str()), 0);
        ASSERT_EQ(GetFile(Path("again.snd")), first) << "round " << round;
    }
}

TEST_F(CacheFile, LoadingMergesDropsWhatIsGoneOrKnownAndRewrites)
{
    CCatalogue cat;
    AddRecord(cat, "one.mp3", "One");
    AddRecord(cat, "two.mp3", "Two");
    AddRecord(cat, "three.mp3", "Three");
    ASSERT_EQ(SaveFile(cat, Cache().c_str()), 0);
    std::string saved = GetFile(Cache());

    // Loading into the same catalogue adds nothing and rewrites the same bytes.
    EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
    EXPECT_EQ(cat.Files().size(), 3u);
    EXPECT_EQ(GetFile(Cache()), saved);

    // One file gone, and another catalogue already holding a record of its own.
    platform::RemoveFile(Path("one.mp3").c_str());
    CCatalogue other;
    AddRecord(other, "zzz.mp3", "Mine");
    EXPECT_EQ(LoadFile(other, Cache().c_str()), 0);
    EXPECT_EQ(other.Files().size(), 3u);
    EXPECT_FALSE(other.IsInCatalogue(Path("one.mp3").c_str()));
    CCatalogue reread;
    EXPECT_EQ(LoadFile(reread, Cache().c_str()), 0);
    EXPECT_EQ(reread.Files().size(), 3u);
    EXPECT_TRUE(reread.IsInCatalogue(Path("zzz.mp3").c_str())); // the rewrite holds the whole catalogue
}

TEST_F(CacheFile, FilesThatAreNoCacheAreLeftUntouched)
{
    CCatalogue cat;
    PutFile(Cache(), "SNDF" + U32(1));
    EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
    EXPECT_TRUE(cat.Files().empty());
    for (const std::string& bytes : {std::string("SND"), std::string(""), std::string("SNDX") + U32(1) + kHeader,
                                     std::string("SN\0F", 4)}) {
        PutFile(Cache(), bytes);
        EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
        EXPECT_EQ(GetFile(Cache()), bytes);
        EXPECT_TRUE(cat.Files().empty());
    }
}

TEST_F(CacheFile, DamagedObjectsAreRefusedWithInvalidDataAndNothingTwice)
{
    PutFile(Path("a.mp3"), "x");
    PutFile(Path("b.mp3"), "x");
    std::string a = RecordBytes("a.mp3", "A", 1);
    std::string b = RecordBytes("b.mp3", "B", 2);
    std::string head = std::string("SNDF") + U32(1);
    const struct {
        const char* what;
        std::string body;
        size_t added;
    } cases[] = {
        {"wrong class name", std::string("\xFF\xFF\x01\x00\x0A\x00", 6) + "CMusicInfX" + a, 0},
        {"name of 64 bytes", std::string("\xFF\xFF\x01\x00\x40\x00", 6) + std::string(64, 'C') + a, 0},
        {"undefined class", "\x05\x80" + a, 0},
        {"class index of an object", kHeader + a + "\x02\x80" + b, 1},
        {"reference to an object", kHeader + a + std::string("\x02\x00", 2) + b, 1},
        {"null object", kHeader + a + std::string("\x00\x00", 2) + b, 1},
        {"class index zero", kHeader + a + std::string("\x00\x80", 2) + b, 1},
    };
    for (const auto& c : cases) {
        PutFile(Cache(), head + c.body);
        CCatalogue cat;
        EXPECT_EQ(LoadFile(cat, Cache().c_str()), 13) << c.what;
        EXPECT_EQ(cat.Files().size(), c.added) << c.what;
    }
    // A second class header is a class of its own with the next item number.
    PutFile(Cache(), head + kHeader + a + kHeader + b);
    CCatalogue cat;
    EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
    EXPECT_EQ(cat.Files().size(), 2u);
}

TEST_F(CacheFile, RecordCutShortIsDroppedWithoutAnError)
{
    PutFile(Path("a.mp3"), "x");
    PutFile(Path("b.mp3"), "x");
    std::string whole = std::string("SNDF") + U32(1) + kHeader + RecordBytes("a.mp3", "A", 1) + kClassRef +
                        RecordBytes("b.mp3", "B", 2);
    for (size_t cut = whole.size() - 1; cut > whole.size() - 40; cut -= 7) {
        PutFile(Cache(), whole.substr(0, cut));
        CCatalogue cat;
        EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
        EXPECT_EQ(cat.Files().size(), 1u);
    }
    // A length that promises more than the file holds.
    PutFile(Cache(), std::string("SNDF") + U32(1) + kHeader + std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7) + "abc");
    CCatalogue cat;
    EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
    EXPECT_TRUE(cat.Files().empty());
}

TEST_F(CacheFile, ResultCodesOfTheFileSystem)
{
    CCatalogue empty;
    EXPECT_EQ(LoadFile(empty, Path("missing.snd").c_str()), 2);
    EXPECT_EQ(LoadFile(empty, Path("nofolder\\x.snd").c_str()), 3);
    platform::CreateFolder(Path("folder").c_str());
    EXPECT_EQ(LoadFile(empty, Path("folder").c_str()), 5);

    // An empty catalogue deletes the file instead of writing it.
    EXPECT_EQ(SaveFile(empty, Cache().c_str()), 0);
    EXPECT_FALSE(platform::PathExists(Cache().c_str()));
    PutFile(Cache(), "old");
    EXPECT_EQ(SaveFile(empty, Cache().c_str()), 2);
    EXPECT_FALSE(platform::PathExists(Cache().c_str()));
    PutFile(Cache(), "old");
    platform::SetReadOnly(Cache().c_str(), true);
    EXPECT_EQ(SaveFile(empty, Cache().c_str()), 1);
    EXPECT_EQ(GetFile(Cache()), "old");

    platform::SetReadOnly(Cache().c_str(), false);

    CCatalogue cat;
    AddRecord(cat, "a.mp3");
    EXPECT_EQ(SaveFile(cat, Path("folder").c_str()), 5);
    EXPECT_EQ(SaveFile(cat, Path("nofolder\\x.snd").c_str()), 3);

    // Open elsewhere for writing: neither operation gets in.
    int32_t code;
    platform::FileHandle h = platform::OpenWrite(Path("busy.snd").c_str(), &code);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(LoadFile(cat, Path("busy.snd").c_str()), 32);
    EXPECT_EQ(SaveFile(cat, Path("busy.snd").c_str()), 32);
    platform::Close(h);
}

TEST_F(CacheFile, ReadOnlyFileIsNotOverwritten)
{
    PutFile(Cache(), "old");
    platform::SetReadOnly(Cache().c_str(), true);
    int32_t code;
    if (platform::FileHandle h = platform::OpenWrite(Cache().c_str(), &code)) {
        platform::Close(h);
        GTEST_SKIP() << "this system lets the current user write read-only files (root under Wine)";
    }
    CCatalogue cat;
    AddRecord(cat, "a.mp3");
    EXPECT_EQ(SaveFile(cat, Cache().c_str()), 5);
    EXPECT_EQ(GetFile(Cache()), "old");
    platform::SetReadOnly(Cache().c_str(), false);
}

// Found by the fuzzer: a path with a zero byte inside became an index key
// that differed from the record's own path.
TEST_F(CacheFile, TextsEndAtTheirFirstZeroByte)
{
    PutFile(Path("a.mp3"), "x");
    std::string path = Path("a.mp3");
    std::string file = std::string("SNDF") + U32(1) + kHeader + S("a.mp3") + S("") + S("") + S("") +
                       S(std::string("Art\0ist", 7)) + S(path + std::string("\0junk", 5)) + S("") + U32(1) +
                       U32(5) + U32(6) + U32(0) + kClassRef + S("") + S("") + S("") + S("") + S("") +
                       S(std::string("\0", 1) + path) + S("") + U32(1) + U32(5) + U32(6) + U32(0);
    PutFile(Cache(), file);
    CCatalogue cat;
    EXPECT_EQ(LoadFile(cat, Cache().c_str()), 0);
    ASSERT_EQ(cat.Files().size(), 1u); // the second path is empty: no such file
    const auto& entry = *cat.Files().begin();
    EXPECT_EQ(entry.second->m_strPath, path);
    EXPECT_STREQ(entry.first, path.c_str());
    EXPECT_EQ(entry.second->m_strArtist, "Art");
}

TEST_F(CacheFile, RandomDamageNeverCrashesOrAddsTwice)
{
    std::mt19937 rng(99);
    CCatalogue source;
    for (int i = 0; i < 6; ++i)
        AddRecord(source, "m" + std::to_string(i) + ".mp3", "Title", i);
    ASSERT_EQ(SaveFile(source, Cache().c_str()), 0);
    const std::string valid = GetFile(Cache());
    const std::set<int32_t> codes = {0, 1, 2, 3, 4, 5, 6, 13, 16, 19, 25, 30, 32, 33, 112};
    for (int round = 0; round < 300; ++round) {
        std::string bytes = valid;
        int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            size_t at = rng() % bytes.size();
            switch (rng() % 4) {
            case 0: bytes[at] = char(rng()); break;
            case 1: bytes.erase(at, 1 + rng() % 8); break;
            case 2: bytes.insert(at, std::string(1 + rng() % 4, char(rng()))); break;
            default: bytes.resize(at); break;
            }
            if (bytes.empty())
                bytes = "S";
        }
        PutFile(Path("damaged.snd"), bytes);
        CCatalogue cat;
        int32_t result = LoadFile(cat, Path("damaged.snd").c_str());
        ASSERT_EQ(codes.count(result), 1u) << result;
        size_t first = cat.Files().size();
        ASSERT_LE(first, 6u);
        LoadFile(cat, Path("damaged.snd").c_str());
        ASSERT_EQ(cat.Files().size(), first);
    }
}
