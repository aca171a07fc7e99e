// Extended tags through the hosted control: every format read before the
// host is asked, the reading offered to it, kept or replaced by its answer.
#include "../core/TagFiles.h"
#include "HostedControl.h"

namespace {

void PutExtendedTags(IDispatch* ctrl, bool on)
{
    ASSERT_EQ(Put(ctrl, L"ExtendedTags", VBool(on)).hr, S_OK);
    EXPECT_EQ(Get(ctrl, L"ExtendedTags").Bool(), on);
}

const Event* Offer(const CHostSink& sink, const std::string& name)
{
    for (const Event& e : sink.events)
        if (e.id == ADDING && e.path.size() >= name.size() && e.path.substr(e.path.size() - name.size()) == name)
            return &e;
    ADD_FAILURE() << "no offer of " << name;
    static const Event none{0, ""};
    return &none;
}

} // namespace

TEST_F(Views, ExtendedTagsReadEachFormatBeforeTheHostAnswers)
{
    const std::string title = "A Title Far Longer Than The Thirty Bytes Of ID3v1";
    Write("T:\\tree\\v2.mp3", Id3v2Tag(4, {{"TIT2", Utf8Text(title)}, {"TPE1", Utf8Text("Modern Band")},
                                           {"TALB", Utf8Text("New Album")}, {"TCON", Utf8Text("Rock")}}) +
                                  MpegFrames(2297)); // 60.0 s
    const TagItems comments = {{"TITLE", "Song"}, {"ARTIST", "Modern Band"}, {"ALBUM", "New Album"}, {"GENRE", "(17)"}};
    Write("T:\\tree\\song.flac", FlacFile(44100, 44100 * 125, comments));
    Write("T:\\tree\\declined.flac", FlacFile(44100, 44100, {{"ARTIST", "Declined Band"}}));
    Write("T:\\tree\\clip.wav", WavFile(1000, 5000, {{"INAM", "Clip"}, {"IART", "Old Band"}, {"IPRD", "Old Album"}}));
    Write("T:\\tree\\fake.flac", "no FLAC at all");
    PutExtendedTags(ctrl, true);
    sink.blankOffers = false;
    sink.accept = [](const std::string& p) { return p.find("declined") == std::string::npos; };
    sink.keepOffered = [](const std::string& p) { return p.find("clip") == std::string::npos; };
    AddSearch(L"T:\\tree", {L"*.mp3", L"*.flac", L"*.wav"});
    ASSERT_TRUE(RunSearch());

    EXPECT_EQ(Offer(sink, "v2.mp3")->a, 60);
    EXPECT_EQ(Offer(sink, "v2.mp3")->time, "1:00");
    EXPECT_EQ(Offer(sink, "song.flac")->time, "2:05");
    EXPECT_EQ(Offer(sink, "clip.wav")->time, "0:05");
    EXPECT_EQ(Offer(sink, "fake.flac")->a, 0); // nothing readable: nothing offered
    EXPECT_EQ(Offer(sink, "fake.flac")->time, "");
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{1, 1, 4})); // MP3 files alone count as MP3

    // What the host left stays; what it answered replaces the reading.
    HWND files = Shown();
    EXPECT_EQ(Cell(files, Find(files, "v2.mp3"), 1), "1:00");
    EXPECT_EQ(Cell(files, Find(files, "song.flac"), 1), "2:05");
    EXPECT_EQ(Cell(files, Find(files, "clip.wav"), 1), "3:00");
    EXPECT_EQ(Cell(files, Find(files, "fake.flac"), 1), "");

    // Both files of the artist in one group, the WAV's INFO artist in its own;
    // the declined file left nothing behind.
    SetView(1040);
    HWND artists = Shown();
    std::vector<std::string> rows = Rows(artists);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Modern Band"), 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Old Band"), 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Declined Band"), 0);
    // The whole title is kept: the cache file holds it.
    EXPECT_EQ(Method(ctrl, L"SaveFile", {VStr(L"T:\\tree.snd")}).Long(), 0);
    std::string cache = GetFile("T:\\tree.snd");
    DeleteFileA("T:\\tree.snd");
    EXPECT_NE(cache.find(title), std::string::npos);

    // Turned off, files found later are read as before; those read stay.
    PutExtendedTags(ctrl, false);
    Write("T:\\tree\\later.flac", FlacFile(44100, 44100, comments));
    sink.blankOffers = true;
    sink.events.clear();
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(sink.Offered(), (std::vector<std::string>{"T:tree\\declined.flac", "T:tree\\later.flac"}));
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{1, 1, 5}));
    SetView(1041);
    rows = Rows(Shown());
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "New Album"), 1);
}

// A run-time choice, described in the type library; the saved properties
// are the same bytes either way.
TEST_F(Views, ExtendedTagsAreDescribedAndNotSaved)
{
    ITypeInfo* info = nullptr;
    ASSERT_EQ(ctrl->GetTypeInfo(0, 0, &info), S_OK);
    BSTR name = nullptr, doc = nullptr;
    EXPECT_EQ(info->GetDocumentation(DISPID_TW_EXTENDEDTAGS, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(name), "ExtendedTags");
    EXPECT_GT(SysStringLen(doc), 20u);
    SysFreeString(name);
    SysFreeString(doc);
    info->Release();

    IStream* before = SavedStream(ctrl);
    PutExtendedTags(ctrl, true);
    IStream* after = SavedStream(ctrl);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    STATSTG a = {}, b = {};
    before->Stat(&a, STATFLAG_NONAME);
    after->Stat(&b, STATFLAG_NONAME);
    ASSERT_EQ(a.cbSize.QuadPart, b.cbSize.QuadPart);
    std::string x(size_t(a.cbSize.QuadPart), '\0'), y = x;
    ULONG n = 0;
    before->Read(&x[0], ULONG(x.size()), &n);
    after->Read(&y[0], ULONG(y.size()), &n);
    EXPECT_EQ(x, y);
    before->Release();
    after->Release();
    Call reloaded = ReloadedGet(ctrl, L"ExtendedTags");
    EXPECT_EQ(reloaded.hr, S_OK);
    EXPECT_FALSE(reloaded.Bool());
}
