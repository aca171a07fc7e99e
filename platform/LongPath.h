// Paths beyond the system's length limit: the wide file calls take them in the
// \\?\ form, which also turns the system's normalisation of the path off, so
// only the paths that need it take that form.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// From this many UTF-16 units on, a path is long: a folder's path must leave
// room for a file name of 8.3 characters within the limit of 260.
constexpr size_t kLongPathUnits = 248;

// Whether the path is absolute ("C:\...", "\\server\share\...", either slash),
// not yet in the \\?\ or \\.\ form, and long.
bool NeedsLongForm(std::u16string_view path);
// The \\?\ form of an absolute path the system has normalised (backslashes
// only, no "." or ".." names): "\\?\C:\..." or "\\?\UNC\server\share\...".
std::u16string LongForm(std::u16string_view path);

} // namespace platform
