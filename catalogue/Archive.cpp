#include "Archive.h"
#include "MusicInfo.h"
#include "platform/PlatformText.h"
#include <cstring>
#include <vector>

namespace {
const char kClassName[] = "CMusicInfo";
const uint16_t kNewClassTag = 0xFFFF;
const uint16_t kClassTag = 0x8000;
const uint16_t kSchema = 1;
const size_t kMaxClassName = 64;
const uint16_t kWideMarker = 0xFFFE;
} // namespace

CArchive& CArchive::Put(const void* p, size_t n)
{
    if (!IsStoring()) {
        Fail(platform::FC_READ_ONLY_ARCHIVE);
        return *this;
    }
    const unsigned char* src = static_cast<const unsigned char*>(p);
    while (n > 0 && m_nCode == 0) {
        size_t chunk = std::min(n, sizeof m_buf - m_nPos);
        std::memcpy(m_buf + m_nPos, src, chunk);
        m_nPos += chunk;
        src += chunk;
        n -= chunk;
        if (m_nPos == sizeof m_buf)
            Flush();
    }
    return *this;
}

void CArchive::Flush()
{
    if (!IsStoring() || m_nPos == 0 || m_nCode != 0)
        return;
    int32_t code;
    if (!platform::Write(m_hFile, m_buf, uint32_t(m_nPos), &code))
        Fail(code);
    m_nPos = 0;
}

bool CArchive::Fill()
{
    uint32_t got = 0;
    int32_t code;
    if (!platform::Read(m_hFile, m_buf, sizeof m_buf, &got, &code)) {
        Fail(code);
        return false;
    }
    m_nPos = 0;
    m_nLen = got;
    if (got == 0)
        m_bEnd = true;
    return got > 0;
}

CArchive& CArchive::Get(void* p, size_t n)
{
    if (IsStoring()) {
        Fail(platform::FC_WRITE_ONLY_ARCHIVE);
        return *this;
    }
    unsigned char* dst = static_cast<unsigned char*>(p);
    while (n > 0 && !Stopped()) {
        if (m_nPos == m_nLen && !Fill())
            break;
        size_t chunk = std::min(n, m_nLen - m_nPos);
        std::memcpy(dst, m_buf + m_nPos, chunk);
        m_nPos += chunk;
        dst += chunk;
        n -= chunk;
    }
    return *this;
}

// Length prefix: one byte below 255, else FF and 16 bits below 0xFFFE, else
// FF FFFF and 32 bits.
void CArchive::PutCount(size_t n)
{
    if (n < 0xFF) {
        unsigned char b = static_cast<unsigned char>(n);
        Put(&b, 1);
    } else {
        unsigned char b = 0xFF;
        Put(&b, 1);
        if (n < 0xFFFE) {
            *this << uint16_t(n);
        } else {
            *this << uint16_t(0xFFFF) << uint32_t(n);
        }
    }
}

// A UTF-16 text: FF FEFF, then its length in characters and the characters.
CArchive& CArchive::operator<<(const CStr& s)
{
    if (m_code == platform::CODE_ANSI || platform::IsAscii(s.view())) {
        PutCount(s.size());
        return Put(s.c_str(), s.size());
    }
    std::u16string wide = platform::Utf8ToWide(s.view());
    const unsigned char mark[3] = {0xFF, kWideMarker & 0xFF, kWideMarker >> 8};
    Put(mark, sizeof mark);
    PutCount(wide.size());
    std::string units;
    units.reserve(2 * wide.size());
    for (char16_t c : wide) {
        units += char(c & 0xFF);
        units += char(c >> 8);
    }
    return Put(units.data(), units.size());
}

// A 16-bit length of 0xFFFE is no length but the mark of a UTF-16 string.
bool CArchive::ReadCount(uint32_t& n, bool* wideMark)
{
    unsigned char b = 0;
    Get(&b, 1);
    n = b;
    if (b == 0xFF) {
        uint16_t w = 0;
        *this >> w;
        n = w;
        if (w == 0xFFFF)
            *this >> n;
        else if (w == kWideMarker && wideMark)
            *wideMark = true;
    }
    return !Stopped();
}

// Reads a long text a piece at a time, so that a damaged length costs no more
// memory than the file holds.
bool CArchive::ReadText(std::string& out, uint64_t bytes)
{
    out.clear();
    while (bytes > 0 && !Stopped()) {
        size_t chunk = size_t(std::min<uint64_t>(bytes, 1 << 16));
        size_t at = out.size();
        out.resize(at + chunk);
        Get(&out[at], chunk);
        bytes -= chunk;
    }
    return !Stopped();
}

CStr CArchive::TextOf(std::string_view text)
{
    // The control's texts end at a zero byte; what a damaged file puts behind
    // one would make a path differ from its own index key.
    if (const void* zero = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, size_t(static_cast<const char*>(zero) - text.data()));
    if (m_nText >= sizeof m_lastTexts / sizeof m_lastTexts[0])
        return CStr(text);
    CStr& last = m_lastTexts[m_nText++];
    if (!(last == text))
        last = CStr(text);
    return last;
}

CArchive& CArchive::operator>>(CStr& s)
{
    uint32_t n = 0;
    bool wide = false;
    if (!ReadCount(n, &wide))
        return *this;
    if (wide && !ReadCount(n, nullptr)) // its length in characters follows
        return *this;
    char small[512];
    if (!wide && n <= sizeof small) {
        Get(small, n);
        if (Stopped())
            return *this;
        std::string_view text(small, n);
        std::string recoded;
        s = TextOf(platform::FromCodePage(text, m_code, recoded) ? recoded : text);
        return *this;
    }
    std::string text;
    if (!ReadText(text, wide ? uint64_t(n) * 2 : n))
        return *this;
    if (wide) {
        std::vector<uint16_t> units(n);
        for (uint32_t i = 0; i < n; ++i)
            units[i] = uint16_t(uint8_t(text[2 * i]) | (uint8_t(text[2 * i + 1]) << 8));
        text = platform::WideToText(units.data(), units.size(), m_code);
    } else {
        std::string recoded;
        if (platform::FromCodePage(text, m_code, recoded))
            text = std::move(recoded);
    }
    s = TextOf(text);
    return *this;
}

void CArchive::WriteObject(CMusicInfo& info)
{
    if (!m_bClassWritten) {
        *this << kNewClassTag << kSchema << uint16_t(sizeof kClassName - 1);
        Put(kClassName, sizeof kClassName - 1);
        m_bClassWritten = true;
        m_classItems.insert(m_nNextItem++);
    } else {
        *this << uint16_t(kClassTag | *m_classItems.begin());
    }
    ++m_nNextItem;
    info.Serialize(*this);
}

std::unique_ptr<CMusicInfo> CArchive::ReadObject()
{
    uint16_t tag = 0;
    *this >> tag;
    if (Stopped())
        return nullptr;
    if (tag == kNewClassTag) {
        uint16_t schema = 0, nameLen = 0;
        *this >> schema >> nameLen;
        if (Stopped())
            return nullptr;
        if (nameLen >= kMaxClassName) {
            Fail(platform::FC_INVALID_DATA);
            return nullptr;
        }
        char name[kMaxClassName] = {};
        Get(name, nameLen);
        if (Stopped())
            return nullptr;
        if (nameLen != sizeof kClassName - 1 || std::memcmp(name, kClassName, nameLen) != 0) {
            Fail(platform::FC_INVALID_DATA);
            return nullptr;
        }
        m_classItems.insert(m_nNextItem++);
    } else if (!(tag & kClassTag) || !m_classItems.count(tag & ~kClassTag)) {
        // A reference to an earlier object, a null object, or an item that is
        // no class: nothing this system writes.
        Fail(platform::FC_INVALID_DATA);
        return nullptr;
    }
    ++m_nNextItem;
    std::unique_ptr<CMusicInfo> info(new CMusicInfo);
    m_nText = 0;
    info->Serialize(*this);
    if (Stopped())
        return nullptr; // cut short by the end of the file or an error
    return info;
}

void CMusicInfo::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_strFileName << m_strTime << m_strInfo << m_strAlbum << m_strArtist << m_strPath << m_strTitle
           << m_nFileType << m_nGenre << m_lLength << m_bTagged;
    } else {
        ar >> m_strFileName >> m_strTime >> m_strInfo >> m_strAlbum >> m_strArtist >> m_strPath >> m_strTitle
           >> m_nFileType >> m_nGenre >> m_lLength >> m_bTagged;
    }
}
