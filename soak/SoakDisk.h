// What other programs do to the files under the searched roots while the
// controls watch them: copies that arrive, files rewritten, renamed and
// deleted, folders made and moved.
#pragma once
#include <string>

namespace soak {

// One random change under the drive's "incoming" folder; answers what it did.
std::string ChangeDisk(const std::string& drive);

} // namespace soak
