// Music files as encoders write them, made byte by byte for the tag reader's
// tests: ID3v2 and APE tags, MPEG frames, WAV with an INFO list, FLAC with
// Vorbis comments.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using TagItems = std::vector<std::pair<std::string, std::string>>; // key, value

// An ID3v2.3 or 2.4 tag; each frame's value is its encoding byte and text
// (Latin1Text, Utf8Text, Utf16Text).
std::string Id3v2Tag(int version, const TagItems& frames);
std::string Latin1Text(const std::string& text);
std::string Utf8Text(const std::string& text); // 2.4 only
std::string Utf16Text(const std::u16string& text);

// An APEv2 tag with a footer only, as it stands before an ID3v1 block.
std::string ApeTag(const TagItems& items);

// n MPEG-1 layer III frames of 128 kbit/s at 44.1 kHz, 1152 samples each;
// with counted, the first says how many frames and bytes follow, as encoders
// write it ("Xing").
std::string MpegFrames(int n, bool counted = false);

// 8-bit mono PCM of the given rate and byte count, with an INFO list when items are given (INAM, IART, ...).
std::string WavFile(uint32_t rate, uint32_t bytes, const TagItems& info = {});

// A FLAC stream header of so many samples at a rate, and its Vorbis comments.
std::string FlacFile(uint32_t rate, uint64_t samples, const TagItems& comments = {});
