#include "Png.h"
#include <algorithm>

namespace {

uint32_t Crc(const std::string& bytes, size_t from)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i)
        c = table[(c ^ uint8_t(bytes[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Be32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data)
{
    Be32(png, uint32_t(data.size()));
    size_t start = png.size();
    png += type;
    png += data;
    Be32(png, Crc(png, start));
}

} // namespace

std::string EncodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height)
{
    std::string raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw += '\0'; // no filter
        raw.append(reinterpret_cast<const char*>(&rgb[size_t(y) * width * 3]), size_t(width) * 3);
    }
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (size_t pos = 0; pos < raw.size() || pos == 0; pos += 65535) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        z += char(pos + n == raw.size() ? 1 : 0);
        z += char(n & 0xFF);
        z += char(n >> 8);
        z += char(~n & 0xFF);
        z += char((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
        if (raw.empty())
            break;
    }
    for (char ch : raw) {
        a = (a + uint8_t(ch)) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    Be32(header, width);
    Be32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}
