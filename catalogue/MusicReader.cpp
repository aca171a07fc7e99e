#include "MusicReader.h"
#include "MusicInfo.h"
#include "TagReader.h"
#include "platform/PlatformFile.h"
#include "platform/PlatformText.h"
#include <cctype>
#include <cstring>

namespace {

const int kTagSize = 128;
const int kFieldSize = 30;

// A tag text: up to its first zero byte, trailing white space removed.
CStr TagField(const unsigned char* field)
{
    size_t n = 0;
    while (n < kFieldSize && field[n] != 0)
        ++n;
    while (n > 0 && std::isspace(field[n - 1]))
        --n;
    return CStr(std::string_view(reinterpret_cast<const char*>(field), n));
}

// Reads n bytes at the current position; what the file does not hold stays zero.
void ReadPadded(platform::FileHandle h, unsigned char* buf, uint32_t n)
{
    std::memset(buf, 0, n);
    uint32_t got = 0;
    int32_t code;
    platform::Read(h, buf, n, &got, &code);
}

// ID3v1 text is in the ANSI code page.
CStr InCode(const CStr& ansi, platform::TextCode code)
{
    std::string out;
    return platform::FromCodePage(ansi.view(), code, out) ? CStr(out) : ansi;
}

// The tag block at the end of the file, read as the plain reader reads it.
void ReadId3v1(CMusicInfo& info, platform::FileHandle h, platform::TextCode code)
{
    // A file shorter than a tag block cannot be positioned before its start;
    // its first bytes are examined instead.
    platform::Seek(h, -kTagSize, platform::SEEK_FROM_END);
    unsigned char tag[kTagSize];
    ReadPadded(h, tag, kTagSize);
    if (std::memcmp(tag, "TAG", 3) == 0 || std::memcmp(tag, "ID3", 3) == 0 || std::memcmp(tag, "MP3", 3) == 0) {
        info.m_strTitle = InCode(TagField(tag + 3), code);
        info.m_strArtist = InCode(TagField(tag + 3 + kFieldSize), code);
        info.m_strAlbum = InCode(TagField(tag + 3 + 2 * kFieldSize), code);
        int8_t genre = int8_t(tag[kTagSize - 1]);
        info.m_nGenre = genre >= 1 ? genre : -1;
        info.m_bTagged = !info.m_strTitle.empty() && !info.m_strAlbum.empty() && !info.m_strArtist.empty();
    }
}

} // namespace

int ReadMusicFile(CMusicInfo& info, const char* path, bool bExtended, platform::TextCode textCode)
{
    info.m_strPath = path;
    const char* slash = platform::RChr(path, '\\', textCode);
    info.m_strFileName = slash ? slash + 1 : path;

    const char* dot = platform::RChr(path, '.', textCode);
    const char* ext = dot ? dot + 1 : "";
    if (dot) {
        if (platform::MbsICollate(ext, "MP3") == 0)
            info.m_nFileType = 1;
        else if (platform::MbsICollate(ext, "WAV") == 0)
            info.m_nFileType = 0;
    }
    const bool library = bExtended && IsTagLibExtension(ext);
    if (info.m_nFileType != 1 && !library)
        return 0;

    int32_t code;
    platform::FileHandle h = platform::OpenRead({path, textCode}, &code);
    if (!h) {
        info.m_bTagged = 0;
        return 0;
    }
    unsigned char head[4] = {};
    if (library) {
        ReadLibraryTags(info, h, path, ext, head, textCode);
    } else {
        ReadId3v1(info, h, textCode);
        uint32_t got;
        platform::ReadAt(h, 0, head, sizeof head, &got);
    }
    if (info.m_nFileType == 1 && std::memcmp(head, "RIFF", 4) == 0)
        info.m_nFileType = 0;
    platform::Close(h);
    return 1;
}

bool CGenreNames::SetIniPath(const char* text)
{
    std::string path = text ? text : "";
    if (path.find(":\\") == std::string::npos)
        path = platform::GetCurrentDir(m_code) + "\\" + path;
    if (!platform::PathExists({path, m_code}))
        return false;
    m_strIniPath = path;
    return true;
}

bool CGenreNames::GenreName(int32_t nGenre, std::string& name) const
{
    if (m_strSection.empty() || m_strIniPath.empty() || nGenre < 1)
        return false;
    std::string value = platform::ReadIniString(m_strSection.c_str(), std::to_string(nGenre).c_str(),
                                                "*NONE*", {m_strIniPath, m_code}, 256);
    if (value.empty() || value == "*NONE*")
        return false;
    name = value;
    return true;
}

bool CGenreNames::CanRecode(platform::TextCode code) const
{
    std::string out;
    return platform::Recode(m_strIniPath, m_code, code, out) && platform::Recode(m_strSection, m_code, code, out);
}

void CGenreNames::SetTextCode(platform::TextCode code)
{
    std::string out;
    if (platform::Recode(m_strIniPath, m_code, code, out))
        m_strIniPath = out;
    if (platform::Recode(m_strSection, m_code, code, out))
        m_strSection = out;
    m_code = code;
}
