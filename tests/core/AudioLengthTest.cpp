// The demo host's playing times: MPEG frame headers and WAV format chunks.
#include "host/AudioLength.h"
#include "host/Png.h"
#include <gtest/gtest.h>

namespace {
std::string Frames(const std::string& header, size_t frameSize, size_t count)
{
    std::string frame = header + std::string(frameSize - header.size(), '\0');
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += frame;
    return out;
}
std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
} // namespace

TEST(AudioLength, ConstantBitRateFromTheFirstFrame)
{
    // MPEG-1 layer III, 128 kbit/s: 16000 bytes a second.
    std::string mp3 = Frames("\xFF\xFB\x90\x00", 400, 200); // 80000 bytes
    EXPECT_EQ(Mp3Seconds(mp3), 5);
    // Behind an ID3v2 tag of 1000 bytes and garbage, before an ID3v1 block.
    std::string id3v2 = std::string("ID3\x03\x00\x00\x00\x00\x07\x68", 10) + std::string(1000, 'x');
    std::string tag = "TAG" + std::string(125, ' ');
    EXPECT_EQ(Mp3Seconds(id3v2 + "junk" + mp3 + tag), 5);
    // MPEG-2 layer III, 8 kbit/s at 16 kHz.
    EXPECT_EQ(Mp3Seconds(Frames("\xFF\xF3\x18\xC0", 36, 1000)), 36);
}

TEST(AudioLength, XingFrameCountWins)
{
    std::string first = std::string("\xFF\xFB\x90\x00", 4) + std::string(32, '\0') + "Xing" + Be32(1) + Be32(7848);
    std::string mp3 = first + std::string(417 - first.size(), '\0') + Frames("\xFF\xFB\x90\x00", 417, 3);
    EXPECT_EQ(Mp3Seconds(mp3), 205); // 7848 frames of 1152 samples at 44.1 kHz
    std::string noCount = std::string("\xFF\xFB\x90\x00", 4) + std::string(32, '\0') + "Info" + Be32(0) + Be32(7848);
    EXPECT_EQ(Mp3Seconds(noCount + std::string(16000 * 2 - noCount.size(), '\0')), 2); // flag clear: by bytes
}

TEST(AudioLength, NoFramesNoTime)
{
    EXPECT_EQ(Mp3Seconds(""), -1);
    EXPECT_EQ(Mp3Seconds(std::string(5000, '\x11')), -1);
    EXPECT_EQ(Mp3Seconds(std::string("\xFF\xFF\xFF\xFF", 4)), -1); // reserved layer and bit rate
    EXPECT_EQ(Mp3Seconds(std::string("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10)), -1); // a tag larger than the file
}

TEST(AudioLength, WavFromByteRateAndDataChunk)
{
    std::string fmt = "fmt " + Le32(16) + std::string("\x01\x00\x01\x00", 4) + Le32(8000) + Le32(8000) +
                      std::string("\x01\x00\x08\x00", 4);
    std::string list = "LIST" + Le32(3) + "abc" + std::string(1, '\0'); // odd size, padded
    std::string wav = "RIFF" + Le32(0) + "WAVE" + fmt + list + "data" + Le32(24000) + std::string(24000, '\x80');
    EXPECT_EQ(WavSeconds(wav), 3);
    EXPECT_EQ(WavSeconds("RIFF" + Le32(4) + "WAVE"), -1);
    EXPECT_EQ(WavSeconds("RIFX"), -1);
    EXPECT_EQ(TimeText(205), "3:25");
    EXPECT_EQ(TimeText(59), "0:59");
    EXPECT_EQ(TimeText(-1), "");
}

TEST(Png, HeaderChunksAndChecksums)
{
    std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    std::string png = EncodePng(rgb, 2, 2);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png.substr(16, 8), Be32(2) + Be32(2));
    // The CRC of IHDR and the Adler-32 of the pixel rows, as zlib computes them.
    EXPECT_EQ(png.substr(29, 4), std::string("\xFD\xD4\x9A\x73", 4));
    size_t idat = png.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    size_t length = size_t(uint8_t(png[idat - 2])) << 8 | uint8_t(png[idat - 1]);
    EXPECT_EQ(png.substr(idat + 4 + length - 4, 4), std::string("\x1F\xEE\x05\xFB", 4));
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}
