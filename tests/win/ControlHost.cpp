#include "ControlHost.h"
#include <olectl.h>

HRESULT ModuleCall(const char* buildPath, const char* entry)
{
    HMODULE module = LoadLibraryA(HostPath(buildPath).c_str()); // it stays loaded for the tests
    auto fn = reinterpret_cast<HRESULT(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
    return fn ? fn() : E_NOTIMPL;
}

HMODULE Ocx()
{
    static HMODULE module = LoadLibraryA(OcxPath().c_str());
    return module;
}

IDispatch* NewControl()
{
    auto get = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(Ocx(), "DllGetClassObject")));
    if (!get)
        return nullptr;
    const CLSID clsid = {0xA6711A49, 0x5CDB, 0x4BD0, {0xB6, 0x54, 0x79, 0xB1, 0x98, 0xBA, 0xE8, 0x0D}};
    IClassFactory* factory = nullptr;
    if (FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IDispatch* d = nullptr;
    factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
    factory->Release();
    return d;
}

void ControlTest::SetUp()
{
    CoInitialize(nullptr);
    ASSERT_NE(Ocx(), nullptr) << OcxPath();
    ctrl = NewControl();
    ASSERT_NE(ctrl, nullptr);
}

void ControlTest::TearDown()
{
    Drop(ctrl);
    CoUninitialize();
}


IStream* SavedStream(IUnknown* ctrl)
{
    IStream* stream = nullptr;
    IPersistStreamInit* psi = As<IPersistStreamInit>(ctrl, IID_IPersistStreamInit);
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    HRESULT hr = psi ? psi->Save(stream, TRUE) : E_NOINTERFACE;
    if (psi)
        psi->Release();
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(hr, S_OK);
    return stream;
}

IDispatch* LoadedControl(IStream* stream, HRESULT expected)
{
    IDispatch* d = NewControl();
    IPersistStreamInit* psi = As<IPersistStreamInit>(d, IID_IPersistStreamInit);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    HRESULT hr = psi->Load(stream);
    EXPECT_TRUE(expected == S_OK ? hr == S_OK : FAILED(hr)) << std::hex << hr;
    psi->Release();
    return d;
}

IFontDisp* NewFont(const wchar_t* name, LONGLONG points, SHORT weight, bool italic, bool underline)
{
    FONTDESC d = {sizeof d, const_cast<LPOLESTR>(name), {}, weight, DEFAULT_CHARSET, italic, underline, FALSE};
    d.cySize.int64 = points * 10000;
    IFontDisp* f = nullptr;
    OleCreateFontIndirect(&d, IID_IFontDisp, reinterpret_cast<void**>(&f));
    return f;
}
