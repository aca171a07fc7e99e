// Any bytes as a cache file, loaded in the ANSI code page and in UTF-8:
// loading must answer a code of the table, never crash or leak, never
// catalogue a path twice, and leave the indexes sound. In UTF-8 every text is
// well-formed UTF-8, and a save reads back the same.
// (One file may be catalogued under several spellings of its path: C:\a.mp3
// and C:/a.mp3 are two keys.)
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/PlatformFile.h"
#include "platform/native/MemFs.h"
#include <cstdlib>
#include <set>
#include <vector>

static const char* const kFiles[] = {"C:\\a.mp3", "C:\\b.mp3", "C:\\c.wav", "C:\\\xC3\xA9.mp3"};

static void Check(bool ok)
{
    if (!ok)
        std::abort();
}

static bool WellFormed(std::string_view text)
{
    std::u16string wide = platform::Utf8ToWide(text);
    return platform::WideToUtf8(reinterpret_cast<const uint16_t*>(wide.data()), wide.size()) == text;
}

static std::vector<std::string> Texts(const CCatalogue& cat)
{
    std::vector<std::string> texts;
    for (const auto& entry : cat.Files()) {
        const CMusicInfo& info = *entry.second;
        for (const CStr* text : {&info.m_strPath, &info.m_strFileName, &info.m_strTitle, &info.m_strArtist,
                                 &info.m_strAlbum, &info.m_strInfo, &info.m_strTime})
            texts.emplace_back(text->view());
    }
    return texts;
}

static void LoadAs(platform::TextCode code, const uint8_t* data, size_t size)
{
    memfs::Reset();
    int32_t result;
    for (const char* path : kFiles)
        platform::Close(platform::OpenWrite({path, platform::CODE_UTF8}, &result));
    platform::FileHandle h = platform::OpenWrite("C:\\cache.snd", &result);
    platform::Write(h, data, uint32_t(size), &result);
    platform::Close(h);

    CCatalogue cat;
    cat.SetTextCode(code);
    result = LoadFile(cat, "C:\\cache.snd");
    static const std::set<int32_t> codes = {0, 1, 2, 3, 4, 5, 6, 13, 16, 19, 25, 30, 32, 33, 112};
    Check(codes.count(result) == 1);
    for (const auto& entry : cat.Files())
        Check(entry.second && entry.second->m_strPath == entry.first);
    // A second load of the same file adds nothing.
    size_t before = cat.Files().size();
    LoadFile(cat, "C:\\cache.snd");
    Check(cat.Files().size() == before);
    if (code == platform::CODE_UTF8 && !cat.Files().empty()) {
        const std::vector<std::string> texts = Texts(cat);
        for (const std::string& text : texts)
            Check(WellFormed(text));
        CCatalogue back;
        back.SetTextCode(code);
        Check(SaveFile(cat, "C:\\again.snd") == 0 && LoadFile(back, "C:\\again.snd") == 0);
        Check(Texts(back) == texts);
    }
    cat.ClearCatalogue(CLEAR_MISSING);
    Check(memfs::OpenFileCount() == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadAs(platform::CODE_ANSI, data, size);
    LoadAs(platform::CODE_UTF8, data, size);
    return 0;
}
