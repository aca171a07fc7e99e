// Shared by the install test's helper commands.
#pragma once
#include <windows.h>
#include <string>

std::string Utf8(const std::wstring& text);
// Where the package installs, for this process's bitness: the system's program
// files folder and Tarnwick.
std::wstring InstallFolder();
// The installed control made by its ProgID in the ATL container window, then
// searching a folder; prints "ok - ..." or "not ok - ..." per check and
// answers the number that failed.
int HostInstalledControl();
