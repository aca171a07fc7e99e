#include "AudioLength.h"
#include <cstdio>
#include <cstring>

namespace {

uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t Le32(const unsigned char* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

// Kilobits per second by bit-rate index: MPEG-1 layers I, II, III; MPEG-2/2.5 layer I; layers II and III.
const int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};
const int kRates[3] = {44100, 48000, 32000};

struct Frame {
    int version; // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
    int layer;   // 1, 2 or 3
    int kbps;
    int rate;
    bool mono;
};

bool ParseHeader(const unsigned char* p, Frame& f)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    f.version = (p[1] >> 3) & 3;
    int layerBits = (p[1] >> 1) & 3;
    int bitrateIndex = p[2] >> 4;
    int rateIndex = (p[2] >> 2) & 3;
    if (f.version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    f.layer = 4 - layerBits;
    int table = f.version == 3 ? f.layer - 1 : (f.layer == 1 ? 3 : 4);
    f.kbps = kBitrates[table][bitrateIndex];
    f.rate = kRates[rateIndex] >> (f.version == 3 ? 0 : (f.version == 2 ? 1 : 2));
    f.mono = (p[3] >> 6) == 3;
    return true;
}

int SamplesPerFrame(const Frame& f) { return f.layer == 1 ? 384 : (f.layer == 3 && f.version != 3 ? 576 : 1152); }

} // namespace

int32_t Mp3Seconds(const std::string& bytes)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size(), pos = 0;
    if (size >= 10 && std::memcmp(data, "ID3", 3) == 0) {
        pos = 10 + (size_t(data[6] & 0x7F) << 21 | size_t(data[7] & 0x7F) << 14 | size_t(data[8] & 0x7F) << 7 |
                    size_t(data[9] & 0x7F));
        if (data[5] & 0x10)
            pos += 10;
    }
    size_t end = size;
    if (size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0)
        end -= 128;
    Frame f = {};
    while (pos + 4 <= end && !ParseHeader(data + pos, f))
        ++pos;
    if (pos + 4 > end)
        return -1;
    // A Xing or Info frame counts the frames of the whole stream.
    size_t sideInfo = f.version == 3 ? (f.mono ? 17 : 32) : (f.mono ? 9 : 17);
    size_t xing = pos + 4 + sideInfo;
    if (xing + 12 <= end && (std::memcmp(data + xing, "Xing", 4) == 0 || std::memcmp(data + xing, "Info", 4) == 0) &&
        (Be32(data + xing + 4) & 1)) {
        uint64_t frames = Be32(data + xing + 8);
        return int32_t(frames * SamplesPerFrame(f) / f.rate);
    }
    return int32_t(uint64_t(end - pos) * 8 / (uint64_t(f.kbps) * 1000));
}

int32_t WavSeconds(const std::string& bytes)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return -1;
    uint32_t byteRate = 0;
    for (size_t pos = 12; pos + 8 <= size;) {
        uint32_t chunk = Le32(data + pos + 4);
        if (std::memcmp(data + pos, "fmt ", 4) == 0 && pos + 20 <= size)
            byteRate = Le32(data + pos + 16);
        if (std::memcmp(data + pos, "data", 4) == 0)
            return byteRate ? int32_t(uint64_t(chunk) / byteRate) : -1;
        pos += 8 + uint64_t(chunk) + (chunk & 1);
    }
    return -1;
}

std::string TimeText(int32_t seconds)
{
    if (seconds < 0)
        return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}
