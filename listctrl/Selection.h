// The two forms in which a selection leaves the result lists: the tagged
// selection text, which keeps groups together, and the shell's file-drop block.
#pragma once
#include "ListRow.h"
#include "platform/PlatformText.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How a row takes part in the tagged text.
enum class SelectionRole { File, Group, Skipped };
SelectionRole RoleOf(const ListRow& row);

// Adds a group's files to the text when none of them were selected with it.
using GroupFiller = std::function<void(const ListRow& group, std::string& text)>;

// Builds the tagged text of rows given in list order: "path|" for each file,
// <DIR name="group"> ... </DIR> around a group's files. With no rows the text
// is left as it was.
void BuildSelectionText(const ListRow* const* rows, int count, std::string& text, const GroupFiller& fill);

// The CF_HDROP block: a DROPFILES header, then each path and a terminating
// zero, then one more zero; the paths (in the code given) as UTF-16 when
// wide, else as they are.
std::vector<uint8_t> DropFilesBlock(const std::vector<std::string>& paths, bool wide,
                                    platform::TextCode code = platform::CODE_ANSI);
