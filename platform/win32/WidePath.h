// A path of the control's 8-bit text as the system's wide calls take it.
#pragma once
#include "../PlatformFile.h"
#include <string>

namespace platform {

// The path in UTF-16; a long absolute path normalised by the system and in the
// \\?\ form, so that the wide calls take it beyond their length limit. The
// host only ever sees the path as it was.
std::u16string WidePath(Path path);

} // namespace platform
