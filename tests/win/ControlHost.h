// Helpers for driving the real Tarnwick.ocx from a test: the module loaded by
// path, controls made through its class factory, and calls through IDispatch.
#pragma once
#include "../core/TestFs.h"
#include "host/ControlClient.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <string>
#include <vector>

// A call of one export of a module of the build tree (found by HostPath).
HRESULT ModuleCall(const char* buildPath, const char* entry);
HMODULE Ocx();                      // Tarnwick.ocx, loaded once
inline std::string OcxPath() { return HostPath(TW_OCX_PATH); }
IDispatch* NewControl();            // a new control (caller releases)
inline HRESULT OcxCall(const char* entry) { return ModuleCall(TW_OCX_PATH, entry); } // DllRegisterServer, ...
IFontDisp* NewFont(const wchar_t* name, LONGLONG points, SHORT weight, bool italic, bool underline);
IStream* SavedStream(IUnknown* ctrl); // IPersistStreamInit::Save into a new stream, at its start
// A new control loaded from the stream's start; expected S_OK or any failure (E_FAIL).
IDispatch* LoadedControl(IStream* stream, HRESULT expected = S_OK);

// Holds a key down, or lets it go, in the thread's key state (for Shift, both its keys).
inline void HoldKey(int vk, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[vk] = down ? 0x80 : 0;
    if (vk == VK_SHIFT)
        keys[VK_LSHIFT] = keys[vk];
    SetKeyboardState(keys);
}

inline std::string TextOf(HWND hwnd) // a window's text
{
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// A file of these bytes, replacing any.
inline void Write(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

// Initialises COM for a test and releases what it made.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    IDispatch* ctrl = nullptr;
};
