// The install test's hands inside Wine (tests/install/msi-test.sh drives it):
//   dump               every key and value under HKLM\Software and HKCU\Software
//   register FILE...   what regsvr32 does: each module's DllRegisterServer
//   info MSI...        the folder the packages install into, then each
//                      package's product code and version
//   installed MSI      the installed products of the package's upgrade code
//   host               the installed control hosted and searching (InstalledHost.cpp)
// Lines go to stdout in UTF-8; a failure is the exit code.
#include "InstallCheck.h"
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring InstallFolder()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\Tarnwick";
}

namespace {

std::string ValueText(DWORD type, const BYTE* data, DWORD size)
{
    char head[32];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        return (type == REG_SZ ? "sz:" : "expand:") + Utf8(text);
    }
    case REG_DWORD:
        snprintf(head, sizeof head, "dword:%lu",
                 size == 4 ? static_cast<unsigned long>(*reinterpret_cast<const DWORD*>(data)) : 0ul);
        return head;
    default: {
        snprintf(head, sizeof head, "type%lu:", static_cast<unsigned long>(type));
        std::string out = head;
        for (DWORD i = 0; i < size; ++i) {
            snprintf(head, sizeof head, "%02x", data[i]);
            out += head;
        }
        return out;
    }
    }
}

// One line per key ("K path") and per value ("V path [name] type:data"), in
// the order the registry gives; the script sorts.
void DumpKey(HKEY key, const std::wstring& path, int depth)
{
    printf("K %s\n", Utf8(path).c_str());
    DWORD subkeys = 0, values = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLen = DWORD(name.size()), dataLen = DWORD(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS)
            continue;
        printf("V %s [%s] %s\n", Utf8(path).c_str(), Utf8(std::wstring(name.data(), nameLen)).c_str(),
               ValueText(type, data.data(), dataLen).c_str());
    }
    if (depth > 40) // a loop of links; no real tree is this deep
        return;
    wchar_t sub[256];
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD len = 256;
        if (RegEnumKeyExW(key, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        HKEY child;
        if (RegOpenKeyExW(key, sub, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            DumpKey(child, path + L"\\" + sub, depth + 1);
            RegCloseKey(child);
        }
    }
}

int Dump()
{
    const struct {
        HKEY root;
        const wchar_t* name;
    } roots[] = {{HKEY_LOCAL_MACHINE, L"HKLM\\Software"}, {HKEY_CURRENT_USER, L"HKCU\\Software"}};
    for (const auto& r : roots) {
        HKEY key;
        if (RegOpenKeyExW(r.root, L"Software", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return 1;
        DumpKey(key, r.name, 0);
        RegCloseKey(key);
    }
    return 0;
}

int Register(int argc, wchar_t** argv)
{
    CoInitialize(nullptr);
    int failed = 0;
    for (int i = 0; i < argc; ++i) {
        HMODULE module = LoadLibraryExW(argv[i], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        auto entry = module ? reinterpret_cast<HRESULT(__stdcall*)()>(
                                  reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")))
                            : nullptr;
        HRESULT hr = entry ? entry() : HRESULT_FROM_WIN32(GetLastError());
        if (FAILED(hr)) {
            fprintf(stderr, "DllRegisterServer of %s: %08lx\n", Utf8(argv[i]).c_str(), static_cast<unsigned long>(hr));
            ++failed;
        }
    }
    CoUninitialize();
    return failed ? 1 : 0;
}

// A property of the package's own Property table; empty when it has none.
std::wstring PackageProperty(const wchar_t* package, const wchar_t* name)
{
    MSIHANDLE db = 0, view = 0, record = 0;
    std::wstring value;
    std::wstring query = std::wstring(L"SELECT `Value` FROM `Property` WHERE `Property` = '") + name + L"'";
    if (MsiOpenDatabaseW(package, MSIDBOPEN_READONLY, &db) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewW(db, query.c_str(), &view) == ERROR_SUCCESS && MsiViewExecute(view, 0) == ERROR_SUCCESS &&
        MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        wchar_t text[256];
        DWORD len = 256;
        if (MsiRecordGetStringW(record, 1, text, &len) == ERROR_SUCCESS)
            value = text;
    }
    for (MSIHANDLE h : {record, view, db})
        if (h)
            MsiCloseHandle(h);
    return value;
}

int Info(int argc, wchar_t** argv)
{
    printf("%s\n", Utf8(InstallFolder()).c_str());
    for (int i = 0; i < argc; ++i) {
        std::wstring code = PackageProperty(argv[i], L"ProductCode");
        if (code.empty())
            return 1;
        printf("%s %s\n", Utf8(code).c_str(), Utf8(PackageProperty(argv[i], L"ProductVersion")).c_str());
    }
    return 0;
}

// One line per product installed under the package's upgrade code, sorted.
int Installed(const wchar_t* package)
{
    std::wstring upgrade = PackageProperty(package, L"UpgradeCode");
    if (upgrade.empty())
        return 1;
    std::vector<std::string> lines;
    wchar_t code[39];
    for (DWORD i = 0; MsiEnumRelatedProductsW(upgrade.c_str(), 0, i, code) == ERROR_SUCCESS; ++i) {
        wchar_t version[64] = {};
        DWORD len = 64;
        MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, version, &len);
        lines.push_back(Utf8(code) + " " + Utf8(version));
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines)
        printf("%s\n", line.c_str());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"dump")
        return Dump();
    if (command == L"register" && argc > 2)
        return Register(argc - 2, argv + 2);
    if (command == L"info")
        return Info(argc - 2, argv + 2);
    if (command == L"installed" && argc == 3)
        return Installed(argv[2]);
    if (command == L"host")
        return HostInstalledControl();
    fprintf(stderr, "usage: install_check dump | register FILE... | info MSI... | installed MSI | host\n");
    return 2;
}
