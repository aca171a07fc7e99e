#include "HostKeys.h"

namespace {

bool IsKey(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }

bool Inside(HWND area, HWND hwnd) { return hwnd && (hwnd == area || IsChild(area, hwnd)); }

// Asks the control for its shortcut table (it answers none until the host
// turned hot keys on) and hands it the key when the key is in it.
bool Mnemonic(MSG& msg, IUnknown* control)
{
    IOleControl* oc = nullptr;
    if (FAILED(control->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&oc))))
        return false;
    CONTROLINFO info = {};
    info.cb = sizeof info;
    WORD command = 0;
    bool match = SUCCEEDED(oc->GetControlInfo(&info)) && info.hAccel &&
                 IsAccelerator(info.hAccel, info.cAccel, &msg, &command);
    if (match)
        oc->OnMnemonic(&msg);
    oc->Release();
    return match;
}

} // namespace

bool TranslateHostKey(MSG& msg, IUnknown* control, HWND controlArea, HWND dialog)
{
    if (control && IsKey(msg.message)) {
        if (Inside(controlArea, GetFocus())) {
            IOleInPlaceActiveObject* active = nullptr;
            if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active)))) {
                HRESULT hr = active->TranslateAccelerator(&msg);
                active->Release();
                if (hr == S_OK)
                    return true;
            }
        } else if (msg.message == WM_SYSKEYDOWN && Mnemonic(msg, control)) {
            return true;
        }
    }
    return dialog && IsDialogMessageA(dialog, &msg);
}
