// Tags of every format the tag library reads: ID3v2, APE, Vorbis comments,
// MP4 atoms, ASF attributes, RIFF INFO lists and the rest, with the file's
// playing time. The reader uses it when the host turns extended tags on.
#pragma once
#include "platform/PlatformFile.h"
#include <cstdint>
#include <string>

class CMusicInfo;

// Whether the tag library reads files with this extension (no dot, any case).
bool IsTagLibExtension(const char* ext);

// Fills title, artist, album, genre, m_bTagged, m_lLength and m_strTime from
// the open file, chosen by its extension. A file the library cannot parse
// leaves every one of them empty, untagged and without a length. head gets
// the file's first four bytes (zero where it has none), read on the way.
// The texts come in the code asked for.
void ReadLibraryTags(CMusicInfo& info, platform::FileHandle h, const char* path, const char* ext,
                     unsigned char head[4], platform::TextCode code = platform::CODE_ANSI);

// A genre text as a number: decimal ("17"), in parentheses ("(17)") or the
// name of an ID3v1 genre in any case ("rock"); kept in 1..127, else -1.
int32_t GenreNumber(const std::string& text);

// Whole seconds as "m:ss", or "h:mm:ss" from one hour on.
std::string LengthText(int32_t seconds);

// Milliseconds to whole seconds, half a second and more rounded up.
inline int32_t RoundedSeconds(int32_t ms) { return ms <= 0 ? 0 : int32_t((int64_t(ms) + 500) / 1000); }
