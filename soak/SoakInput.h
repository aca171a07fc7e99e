// What a user does to a control: clicks and double-clicks on rows, keys,
// header clicks, the toolbar's buttons, context menus and drags, sent to the
// control's windows as the system sends them. Menus and dialogs that open
// are closed again after a moment, as a user would dismiss them.
#pragma once
#include <windows.h>
#include <string>

namespace soak {

// Starts the watch that closes the menus and dialogs this thread opens, and
// lets go of a press whose release another loop took.
void CloseModalUi();
// How many presses the watch let go of.
unsigned PressesLetGo();
// One random act of input on the control in the container window `ax`;
// answers what it did.
std::string Poke(HWND ax);

} // namespace soak
