// The second way to host the control: in a dialog, between a button before it
// and one after it, so the tab order through host and control can be tried.
#pragma once
#include <windows.h>

const int ID_DIALOG_CONTROL = 100;

// A modeless dialog holding "Before", the control (made by the ATL host window
// from its ProgID) and "After"; closing it ends the message loop. Timers and
// application messages go on to the host's own window procedure.
HWND CreateControlDialog(HINSTANCE instance, const wchar_t* progId, WNDPROC host);
