#include "ControlHost.h"
#include "framework/Registration.h"
#include <objsafe.h>
#include <olectl.h>

namespace {

const char* const kKeys[] = {
    "CLSID\\{A6711A49-5CDB-4BD0-B654-79B198BAE80D}", "CLSID\\{A61D3FDD-876F-4D06-948F-6F1812418A86}",
    "Tarnwick.TarnwickCtrl.1", "Tarnwick.TarnwickPropPage.1", "TypeLib\\{1BFF7768-ECFB-44DE-84CF-F2F6377E68C8}"};

// Every key and value below a key of HKCR, one line each.
void Dump(HKEY key, const std::string& path, std::string& out)
{
    char name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name, dataLen = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS)
            break;
        out += path + " [" + name + "] = " + std::string(reinterpret_cast<char*>(data), dataLen) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            Dump(sub, path + "\\" + name, out);
            RegCloseKey(sub);
        }
    }
}

std::string State()
{
    std::string out;
    for (const char* k : kKeys) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, k, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            out += std::string(k) + "\n";
            Dump(key, k, out);
            RegCloseKey(key);
        }
    }
    return out;
}

std::string Value(const std::string& key, const char* name = nullptr)
{
    char data[1024] = {};
    LONG size = sizeof data;
    DWORD dsize = sizeof data;
    if (name)
        return RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &dsize) ==
                       ERROR_SUCCESS
                   ? data
                   : "<none>";
    return RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), data, &size) == ERROR_SUCCESS ? data : "<none>";
}

} // namespace

TEST(Registration, TwiceGivesOneStateAndUnregisteringRemovesIt)
{
    CoInitialize(nullptr);
    ASSERT_NE(Ocx(), nullptr);
    ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK);
    std::string once = State();
    ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK);
    EXPECT_EQ(State(), once);

    const std::string ctrl = kKeys[0];
    EXPECT_EQ(Value(ctrl), "Tarnwick Control");
    EXPECT_EQ(Value(ctrl + "\\ProgID"), "Tarnwick.TarnwickCtrl.1");
    EXPECT_EQ(Value(ctrl + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(ctrl + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(Value(ctrl + "\\TypeLib"), "{1BFF7768-ECFB-44DE-84CF-F2F6377E68C8}");
    EXPECT_EQ(Value(ctrl + "\\Version"), "1.0");
    EXPECT_NE(Value(ctrl + "\\Control"), "<none>");
    EXPECT_NE(Value(ctrl + "\\ToolboxBitmap32").find(", 1"), std::string::npos);
    EXPECT_EQ(Value(std::string(kKeys[1]) + "\\ProgID"), "Tarnwick.TarnwickPropPage.1");
    EXPECT_EQ(Value("Tarnwick.TarnwickCtrl.1\\CLSID"), "{A6711A49-5CDB-4BD0-B654-79B198BAE80D}");
    EXPECT_NE(once.find("TypeLib\\{1BFF7768-ECFB-44DE-84CF-F2F6377E68C8}\\1.0"), std::string::npos);

    // Created by ProgID through COM, as any client would.
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"Tarnwick.TarnwickCtrl.1", &clsid), S_OK);
    IDispatch* d = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d)),
              S_OK);
    // It reads and writes files for whoever drives it, so it never claims to be
    // safe for scripts or for data from a page: no IObjectSafety, no such category.
    IUnknown* safety = nullptr;
    EXPECT_EQ(d->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), E_NOINTERFACE);
    EXPECT_EQ(safety, nullptr);
    std::string keys = once;
    CharUpperA(&keys[0]);
    for (const char* catid : {"{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "{7DD95802-9882-11CF-9FA9-00AA006C42C4}"})
        EXPECT_EQ(keys.find(catid), std::string::npos) << catid;
    d->Release();

    ASSERT_EQ(OcxCall("DllUnregisterServer"), S_OK);
    EXPECT_EQ(State(), "");
    EXPECT_EQ(OcxCall("DllUnregisterServer"), SELFREG_E_TYPELIB); // nothing left to remove
    EXPECT_EQ(OcxCall("DllRegisterServer"), S_OK); // registered again for the hosts that follow
    CoUninitialize();
}

TEST(Registration, ModuleWithoutTypeLibraryWritesNoClass)
{
    const CLSID fake = {0x0BADF00D, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    const GUID lib = {0x0BADF00E, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    std::vector<fw::ClassRegistration> classes = {
        {&fake, "Tarnwick.Fake.1", "Fake", true, 0, 1, &lib, "1.0"}};
    EXPECT_EQ(fw::RegisterServer(std::string(system) + "\\kernel32.dll", classes), SELFREG_E_TYPELIB);
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, ("CLSID\\" + fw::GuidText(fake)).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Tarnwick.Fake.1", 0, KEY_READ, &key), ERROR_SUCCESS);
}
