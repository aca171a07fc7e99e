#include "ControlHost.h"
#include <olectl.h>

namespace {
const IID DIID_Dispatch = {0x56BE5EA0, 0x4E38, 0x48DF, {0xB5, 0xB3, 0xE5, 0x3A, 0x82, 0xD6, 0x99, 0x68}};
const CLSID CLSID_Ctrl = {0xA6711A49, 0x5CDB, 0x4BD0, {0xB6, 0x54, 0x79, 0xB1, 0x98, 0xBA, 0xE8, 0x0D}};
const CLSID CLSID_Page = {0xA61D3FDD, 0x876F, 0x4D06, {0x94, 0x8F, 0x6F, 0x18, 0x12, 0x41, 0x8A, 0x86}};

class Module : public ControlTest {};
} // namespace

TEST_F(Module, EveryInterfaceAnswersWithOneIdentity)
{
    IUnknown* identity = As<IUnknown>(ctrl, IID_IUnknown);
    ASSERT_NE(identity, nullptr);
    const IID* iids[] = {&IID_IDispatch, &DIID_Dispatch, &IID_IOleObject, &IID_IOleControl, &IID_IOleWindow,
                         &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject, &IID_IViewObject, &IID_IViewObject2,
                         &IID_IPersist, &IID_IPersistStreamInit, &IID_IPersistPropertyBag, &IID_IPersistStorage,
                         &IID_IConnectionPointContainer, &IID_IProvideClassInfo, &IID_IProvideClassInfo2,
                         &IID_ISpecifyPropertyPages, &IID_IQuickActivate};
    for (const IID* iid : iids) {
        IUnknown* p = As<IUnknown>(ctrl, *iid);
        ASSERT_NE(p, nullptr);
        IUnknown* back = As<IUnknown>(p, IID_IUnknown);
        EXPECT_EQ(back, identity);
        back->Release();
        p->Release();
    }
    IUnknown* none = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(ctrl->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    identity->Release();
}

TEST_F(Module, UnloadsOnlyWhenNothingIsAlive)
{
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_FALSE);
    ctrl->Release();
    ctrl = nullptr;
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK);

    auto get = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(Ocx(), "DllGetClassObject")));
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(IID_IUnknown, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(get(CLSID_Ctrl, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
    factory->LockServer(TRUE);
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_FALSE);
    factory->LockServer(FALSE);
    factory->Release();

    IClassFactory* pages = nullptr;
    ASSERT_EQ(get(CLSID_Page, IID_IClassFactory, reinterpret_cast<void**>(&pages)), S_OK);
    IPropertyPage* page = nullptr;
    ASSERT_EQ(pages->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(&page)), S_OK);
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"General");
    EXPECT_GT(info.size.cx, 0);
    CoTaskMemFree(info.pszTitle);
    page->Release();
    pages->Release();
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK);
}

TEST_F(Module, QuickActivationSetsTheSiteAndConnectsTheSink)
{
    IQuickActivate* qa = As<IQuickActivate>(ctrl, IID_IQuickActivate);
    ASSERT_NE(qa, nullptr);
    QACONTAINER container = {};
    QACONTROL control = {};
    container.cbSize = sizeof container;
    control.cbSize = sizeof control;
    EXPECT_EQ(qa->QuickActivate(nullptr, &control), E_POINTER);
    IStream* notASink = nullptr; // any object without the event interface or IDispatch
    CreateStreamOnHGlobal(nullptr, TRUE, &notASink);
    container.pUnkEventSink = notASink;
    ASSERT_EQ(qa->QuickActivate(&container, &control), S_OK);
    EXPECT_EQ(control.dwMiscStatus, 0x20191u);
    EXPECT_EQ(control.dwEventCookie, 0u); // no sink connected
    notASink->Release();
    SIZEL size = {1234, 567}, back = {};
    EXPECT_EQ(qa->SetContentExtent(&size), S_OK);
    EXPECT_EQ(qa->GetContentExtent(&back), S_OK);
    EXPECT_EQ(back.cx, 1234);
    qa->Release();
}

TEST_F(Module, OleObjectReportsStatusTypeAndPage)
{
    IOleObject* ole = As<IOleObject>(ctrl, IID_IOleObject);
    ASSERT_NE(ole, nullptr);
    DWORD status = 0;
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 0x20191u);
    LPOLESTR type = nullptr;
    ASSERT_EQ(ole->GetUserType(USERCLASSTYPE_FULL, &type), S_OK);
    EXPECT_STREQ(type, L"Tarnwick Control");
    CoTaskMemFree(type);
    CLSID clsid = {};
    EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_Ctrl));
    SIZEL size = {1000, 500}, back = {};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &size), S_OK);
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &back), S_OK);
    EXPECT_EQ(back.cx, 1000);
    EXPECT_EQ(ole->GetExtent(DVASPECT_ICON, &back), DV_E_DVASPECT);
    ole->Release();

    ISpecifyPropertyPages* spp = As<ISpecifyPropertyPages>(ctrl, IID_ISpecifyPropertyPages);
    ASSERT_NE(spp, nullptr);
    CAUUID pages = {};
    ASSERT_EQ(spp->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_TRUE(IsEqualGUID(pages.pElems[0], CLSID_Page));
    CoTaskMemFree(pages.pElems);
    spp->Release();
}
