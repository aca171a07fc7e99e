// Writes 24-bit RGB pixels as a PNG file (stored, uncompressed deflate blocks).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// rgb: height rows of width pixels, 3 bytes each, top row first.
std::string EncodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height);
