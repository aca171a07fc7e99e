// Playing time of a music file, as the demo host computes it for AddingFile:
// from the MPEG frame headers of an MP3 file (a Xing or Info frame count when
// there is one, else the first frame's bit rate over the audio bytes) and from
// the format chunk of a WAV file.
#pragma once
#include <cstdint>
#include <string>

// Seconds of audio in the file's bytes (the whole file); -1 when they hold none.
int32_t Mp3Seconds(const std::string& bytes);
int32_t WavSeconds(const std::string& bytes);

// "m:ss"
std::string TimeText(int32_t seconds);
