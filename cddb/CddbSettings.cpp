#include "CddbSettings.h"
#include <wincrypt.h>
#include <vector>

const wchar_t kCddbSettingsKey[] = L"Software\\Tarnwick\\CddbLocal";
const wchar_t kCddbFolderValue[] = L"DatabaseFolder";

namespace {

const wchar_t kUserValue[] = L"UserName";
const wchar_t kPasswordValue[] = L"Password";

std::wstring ReadText(HKEY root, const wchar_t* name)
{
    DWORD size = 0;
    if (RegGetValueW(root, kCddbSettingsKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t))
        return std::wstring();
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(root, kCddbSettingsKey, name, RRF_RT_REG_SZ, nullptr, &text[0], &size) != ERROR_SUCCESS)
        return std::wstring();
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

LONG WriteValue(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    LONG err = RegCreateKeyExW(root, kCddbSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (err != ERROR_SUCCESS)
        return err;
    err = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return err;
}

LONG WriteText(HKEY root, const wchar_t* name, const std::wstring& text)
{
    return WriteValue(root, name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

} // namespace

std::wstring CddbDatabaseFolder()
{
    std::wstring folder = ReadText(HKEY_CURRENT_USER, kCddbFolderValue);
    return folder.empty() ? ReadText(HKEY_LOCAL_MACHINE, kCddbFolderValue) : folder;
}

std::wstring CddbRegisteredUser() { return ReadText(HKEY_CURRENT_USER, kUserValue); }

LONG CddbRegisterUser(const std::wstring& strUserName, const std::wstring& strPassword)
{
    DATA_BLOB in = {DWORD(strPassword.size() * sizeof(wchar_t)),
                    reinterpret_cast<BYTE*>(const_cast<wchar_t*>(strPassword.data()))};
    DATA_BLOB out = {};
    if (!CryptProtectData(&in, L"CddbLocal", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return LONG(GetLastError());
    LONG err = WriteValue(HKEY_CURRENT_USER, kPasswordValue, REG_BINARY, out.pbData, out.cbData);
    LocalFree(out.pbData);
    // The name last: a user counts as registered only once both are kept.
    return err != ERROR_SUCCESS ? err : WriteText(HKEY_CURRENT_USER, kUserValue, strUserName);
}

LONG CddbWriteDefaultFolder(const std::wstring& strFolder)
{
    if (!ReadText(HKEY_LOCAL_MACHINE, kCddbFolderValue).empty())
        return ERROR_SUCCESS;
    return WriteText(HKEY_LOCAL_MACHINE, kCddbFolderValue, strFolder);
}

LONG CddbRemoveMachineSettings()
{
    LONG err = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kCddbSettingsKey);
    if (err == ERROR_SUCCESS)
        err = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kCddbSettingsKey);
    return err == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : err;
}
