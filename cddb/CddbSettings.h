// The component's registry settings, under Software\Tarnwick\CddbLocal:
// the database folder (written for the machine at registration; a value of the
// same name for the current user takes precedence) and the registered user,
// kept per user.
#pragma once
#include <windows.h>
#include <string>

extern const wchar_t kCddbSettingsKey[];
extern const wchar_t kCddbFolderValue[];

// The database folder to index; empty when none is set.
std::wstring CddbDatabaseFolder();

// The registered user's name; empty when no user is registered.
std::wstring CddbRegisteredUser();
// Keeps the user's name and password (the password encrypted for this user
// by the system). A Win32 error code.
LONG CddbRegisterUser(const std::wstring& strUserName, const std::wstring& strPassword);

// Registration: sets the machine's database folder unless one is set already;
// unregistration removes the machine's settings. Win32 error codes.
LONG CddbWriteDefaultFolder(const std::wstring& strFolder);
LONG CddbRemoveMachineSettings();
