#include "TagReader.h"
#include "MusicInfo.h"
#include "TagStream.h"
#include "platform/PlatformText.h"
#include <aifffile.h>
#include <apefile.h>
#include <asffile.h>
#include <flacfile.h>
#include <id3v1genres.h>
#include <id3v1tag.h>
#include <id3v2framefactory.h>
#include <mp4file.h>
#include <mpcfile.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <speexfile.h>
#include <trueaudiofile.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

using TagLib::AudioProperties;
using TagLib::IOStream;

// One parser of the library, with its check of the file's first bytes.
struct Parser {
    TagLib::File* (*open)(IOStream*);
    bool (*isSupported)(IOStream*);
};

template <class F>
TagLib::File* Open(IOStream* s)
{
    return new F(s, true, AudioProperties::Average);
}
template <class F>
TagLib::File* OpenWithId3v2(IOStream* s)
{
    return new F(s, TagLib::ID3v2::FrameFactory::instance(), true, AudioProperties::Average);
}
template <class F>
constexpr Parser Plain() { return {Open<F>, F::isSupported}; }
template <class F>
constexpr Parser WithId3v2() { return {OpenWithId3v2<F>, F::isSupported}; }

// The library's own table of audio extensions. For .oga the first parser
// that recognises the file is taken, as the library does.
struct Format {
    const char* extensions; // each followed by '|'
    Parser parsers[2];
};
const Format kFormats[] = {
    {"MP3|", {WithId3v2<TagLib::MPEG::File>()}}, // first: the MPEG rule below names it
    {"OGG|", {Plain<TagLib::Ogg::Vorbis::File>()}},
    {"OGA|", {Plain<TagLib::Ogg::FLAC::File>(), Plain<TagLib::Ogg::Vorbis::File>()}},
    {"FLAC|", {WithId3v2<TagLib::FLAC::File>()}},
    {"MPC|", {Plain<TagLib::MPC::File>()}},
    {"WV|", {Plain<TagLib::WavPack::File>()}},
    {"SPX|", {Plain<TagLib::Ogg::Speex::File>()}},
    {"OPUS|", {Plain<TagLib::Ogg::Opus::File>()}},
    {"TTA|", {Plain<TagLib::TrueAudio::File>()}},
    {"M4A|M4R|M4B|M4P|MP4|3G2|M4V|", {Plain<TagLib::MP4::File>()}},
    {"WMA|ASF|", {Plain<TagLib::ASF::File>()}},
    {"AIF|AIFF|AFC|AIFC|", {Plain<TagLib::RIFF::AIFF::File>()}},
    {"WAV|", {Plain<TagLib::RIFF::WAV::File>()}},
    {"APE|", {Plain<TagLib::APE::File>()}},
};

const Format* FindFormat(const char* ext)
{
    std::string key;
    for (const char* p = ext; *p; ++p)
        key += char(std::toupper(static_cast<unsigned char>(*p)));
    if (key.empty() || key.size() > 6)
        return nullptr;
    key += '|';
    for (const Format& f : kFormats)
        for (const char* at = std::strstr(f.extensions, key.c_str()); at; at = std::strstr(at + 1, key.c_str()))
            if (at == f.extensions || at[-1] == '|')
                return &f;
    return nullptr;
}

// Unicode to the control's code: in the ANSI code page with the system's
// replacement for what it lacks, in UTF-8 whole; trailing white space
// trimmed as in the ID3v1 fields.
CStr TextField(const TagLib::String& text, platform::TextCode code)
{
    std::u16string wide(text.begin(), text.end());
    std::string ansi = platform::WideToText(reinterpret_cast<const uint16_t*>(wide.data()), wide.size(), code);
    size_t n = ansi.find('\0');
    if (n == std::string::npos)
        n = ansi.size();
    while (n > 0 && std::isspace(static_cast<unsigned char>(ansi[n - 1])))
        --n;
    return CStr(std::string_view(ansi.data(), n));
}

// ID3v1 texts are bytes in the ANSI code page, as the plain reader takes them:
// decoded from it (not as Latin-1), cut at the first zero byte, not trimmed
// at the front.
class CAnsiId3v1Text : public TagLib::ID3v1::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override
    {
        std::string bytes(data.data(), data.size());
        bytes.resize(std::strlen(bytes.c_str()));
        std::u16string wide = platform::AnsiToWide(bytes);
        TagLib::ByteVector utf16;
        for (char16_t c : wide) {
            utf16.append(char(c & 0xFF));
            utf16.append(char(c >> 8));
        }
        return TagLib::String(utf16, TagLib::String::UTF16LE);
    }
};

void ClearTags(CMusicInfo& info)
{
    info.m_strTitle = info.m_strArtist = info.m_strAlbum = CStr();
    info.m_nGenre = -1;
    info.m_bTagged = 0;
    info.m_lLength = 0;
    info.m_strTime = CStr();
}

// The tags in the order the fields are taken from. The library's WAV parser
// answers with its ID3v2 tag alone; its INFO list comes next.
std::vector<const TagLib::Tag*> TagsOf(TagLib::File& file)
{
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&file))
        return {wav->ID3v2Tag(), wav->InfoTag()};
    return {file.tag()};
}

TagLib::String FirstOf(const std::vector<const TagLib::Tag*>& tags, TagLib::String (TagLib::Tag::*field)() const)
{
    for (const TagLib::Tag* tag : tags)
        if (tag) {
            TagLib::String text = (tag->*field)();
            if (!text.isEmpty())
                return text;
        }
    return TagLib::String();
}

// Opens the file with the first parser that recognises its bytes. The MPEG
// parser takes any bytes: a file named .mp3 is read for its tags whatever
// it holds, and timed only when its frames are recognised.
std::unique_ptr<TagLib::File> OpenFile(CTagStream& stream, const Format& format, bool& timed)
{
    for (const Parser& parser : format.parsers) {
        if (!parser.open)
            break;
        stream.seek(0);
        timed = parser.isSupported(&stream);
        if (!timed && &format != &kFormats[0])
            continue;
        stream.seek(0);
        std::unique_ptr<TagLib::File> file(parser.open(&stream));
        if (file->isValid())
            return file;
    }
    return nullptr;
}

// The library's ID3v1 genre names in upper case (ASCII), with their numbers;
// the first number of a name that the list holds twice.
std::map<std::string, int32_t> GenresByName()
{
    std::map<std::string, int32_t> byName;
    const TagLib::StringList names = TagLib::ID3v1::genreList();
    int32_t index = 0;
    for (auto it = names.begin(); it != names.end(); ++it, ++index)
        byName.emplace(it->upper().to8Bit(), index);
    return byName;
}

} // namespace

bool IsTagLibExtension(const char* ext) { return ext && FindFormat(ext); }

int32_t GenreNumber(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    std::string t = text.substr(b, e - b);
    if (t.size() > 2 && t.front() == '(' && t.back() == ')')
        t = t.substr(1, t.size() - 2);
    int32_t number = -1;
    if (!t.empty() && t.size() <= 3 && t.find_first_not_of("0123456789") == std::string::npos) {
        number = std::stoi(t);
    } else if (!t.empty()) {
        static const std::map<std::string, int32_t> byName = GenresByName();
        for (char& c : t)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        auto it = byName.find(t);
        number = it == byName.end() ? -1 : it->second;
    }
    return number >= 1 && number <= 127 ? number : -1;
}

std::string LengthText(int32_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%d:%02d", int(seconds / 60), int(seconds % 60));
    return text;
}

void ReadLibraryTags(CMusicInfo& info, platform::FileHandle h, const char* path, const char* ext,
                     unsigned char head[4], platform::TextCode code)
{
    ClearTags(info);
    std::memset(head, 0, 4);
    const Format* format = FindFormat(ext);
    if (!format)
        return;
    static const CAnsiId3v1Text ansiId3v1;
    TagLib::ID3v1::Tag::setStringHandler(&ansiId3v1);
    try {
        CTagStream stream(h, path);
        const TagLib::ByteVector first = stream.readBlock(4); // kept by the stream for the parsers
        if (!first.isEmpty()) // an empty block has no bytes to point at
            std::memcpy(head, first.data(), first.size());
        bool timed = false;
        std::unique_ptr<TagLib::File> file = OpenFile(stream, *format, timed);
        if (!file)
            return;
        const std::vector<const TagLib::Tag*> tags = TagsOf(*file);
        info.m_strTitle = TextField(FirstOf(tags, &TagLib::Tag::title), code);
        info.m_strArtist = TextField(FirstOf(tags, &TagLib::Tag::artist), code);
        info.m_strAlbum = TextField(FirstOf(tags, &TagLib::Tag::album), code);
        info.m_nGenre = GenreNumber(std::string(TextField(FirstOf(tags, &TagLib::Tag::genre), code).view()));
        info.m_bTagged = !info.m_strTitle.empty() && !info.m_strArtist.empty() && !info.m_strAlbum.empty();
        const AudioProperties* props = file->audioProperties();
        if (timed && props && props->lengthInMilliseconds() > 0) {
            info.m_lLength = RoundedSeconds(props->lengthInMilliseconds());
            info.m_strTime = LengthText(info.m_lLength);
        }
    } catch (...) { // a file that exhausts memory is read as one the library cannot parse
        ClearTags(info);
    }
}
