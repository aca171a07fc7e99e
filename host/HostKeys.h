// The container's part of the keyboard, as a form or dialog host does it: a
// key typed while the focus is in the control goes to the control first; an
// Alt+letter of the control's shortcut table goes to it as a mnemonic from
// anywhere; the rest goes to the dialog manager of the host's window.
#pragma once
#include <windows.h>
#include <ocidl.h>

// True when the message was taken and must not be dispatched.
bool TranslateHostKey(MSG& msg, IUnknown* control, HWND controlArea, HWND dialog);
