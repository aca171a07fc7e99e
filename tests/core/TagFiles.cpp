#include "TagFiles.h"

namespace {

std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }
std::string SyncSafe(uint32_t v) { return {char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F), char(v & 0x7F)}; }

std::string Chunk(const std::string& id, const std::string& body)
{
    std::string c = id + Le32(uint32_t(body.size())) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

} // namespace

std::string Latin1Text(const std::string& text) { return '\x00' + text; }
std::string Utf8Text(const std::string& text) { return '\x03' + text; }

std::string Utf16Text(const std::u16string& text)
{
    std::string out = "\x01\xFF\xFE";
    for (char16_t c : text)
        out += Le16(uint16_t(c));
    return out;
}

std::string Id3v2Tag(int version, const TagItems& frames)
{
    std::string body;
    for (const auto& [id, value] : frames)
        body += id + (version == 4 ? SyncSafe(uint32_t(value.size())) : Be32(uint32_t(value.size()))) +
                std::string(2, '\0') + value;
    body += std::string(16, '\0'); // padding
    return "ID3" + std::string{char(version), 0, 0} + SyncSafe(uint32_t(body.size())) + body;
}

std::string ApeTag(const TagItems& items)
{
    std::string body;
    for (const auto& [key, value] : items)
        body += Le32(uint32_t(value.size())) + Le32(0) + key + '\0' + value;
    return body + "APETAGEX" + Le32(2000) + Le32(uint32_t(body.size() + 32)) + Le32(uint32_t(items.size())) +
           Le32(0) + std::string(8, '\0');
}

std::string MpegFrames(int n, bool counted)
{
    std::string frame = std::string("\xFF\xFB\x90\x00", 4) + std::string(413, '\0'); // 144 * 128000 / 44100 bytes
    std::string out;
    for (int i = 0; i < n; ++i)
        out += frame;
    if (counted && n > 0) // after the header and 32 bytes of side information
        out.replace(36, 16, "Xing" + Be32(3) + Be32(uint32_t(n - 1)) + Be32(uint32_t(frame.size()) * uint32_t(n - 1)));
    return out;
}

std::string WavFile(uint32_t rate, uint32_t bytes, const TagItems& info)
{
    std::string fmt = Le16(1) + Le16(1) + Le32(rate) + Le32(rate) + Le16(1) + Le16(8);
    std::string body = "WAVE" + Chunk("fmt ", fmt) + Chunk("data", std::string(bytes, '\x80'));
    if (!info.empty()) {
        std::string list = "INFO";
        for (const auto& [id, text] : info)
            list += Chunk(id, text + '\0');
        body += Chunk("LIST", list);
    }
    return "RIFF" + Le32(uint32_t(body.size())) + body;
}

std::string FlacFile(uint32_t rate, uint64_t samples, const TagItems& comments)
{
    std::string info = std::string("\x10\x00\x10\x00", 4) + std::string(6, '\0'); // blocks of 4096, frame sizes unknown
    // 20 bits rate, 3 bits channels - 1 (1), 5 bits bits per sample - 1 (15), 36 bits samples
    uint64_t packed = (uint64_t(rate) << 44) | (uint64_t(1) << 41) | (uint64_t(15) << 36) | (samples & 0xFFFFFFFFFULL);
    for (int shift = 56; shift >= 0; shift -= 8)
        info += char(packed >> shift);
    info += std::string(16, '\0'); // MD5
    std::string vorbis = Le32(6) + "tester" + Le32(uint32_t(comments.size()));
    for (const auto& [key, value] : comments)
        vorbis += Le32(uint32_t(key.size() + 1 + value.size())) + key + "=" + value;
    return "fLaC" + std::string{0x00} + Be32(uint32_t(info.size())).substr(1) + info + std::string{char(0x84)} +
           Be32(uint32_t(vorbis.size())).substr(1) + vorbis + std::string(64, '\0');
}
