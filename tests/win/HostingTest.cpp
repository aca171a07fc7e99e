// The hosting protocol, seen from a recording container. Each test compares the
// log with what the control must say, and ends with the control's last Release
// answering 0 and the module free to unload, with nothing left in the container.
#include "MenuWatch.h"
#include "RecordingSite.h"
#include "catalogue/Messages.h"
#include "host/ControlClient.h"
#include <commctrl.h>

namespace {

const Calls kInPlace = {"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow", "GetWindowContext", "ShowObject"};
const Calls kUIActivate = {"OnUIActivate", "Frame.SetActiveObject(ctl)", "Doc.SetActiveObject(ctl)",
                           "Frame.SetBorderSpace(0)", "Doc.SetBorderSpace(0)"};
const Calls kUIDeactivate = {"Doc.SetActiveObject(0)", "Frame.SetActiveObject(0)", "OnUIDeactivate(0)"};
const Calls kGotFocus = {"OnFocus(1)"};
const Calls kLostFocus = {"OnFocus(0)"};
const Calls kDeactivate = {"OnFocus(0)", "OnInPlaceDeactivate"};

class Hosting : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_frame = CreateWindowExA(0, "STATIC", "container", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 460, 380, nullptr,
                                  nullptr, nullptr, nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(g_frame); }

    void SetUp() override
    {
        CoInitialize(nullptr);
        ASSERT_NE(Ocx(), nullptr) << OcxPath();
        ASSERT_NE(g_frame, nullptr);
        site.window = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 400, 300, g_frame, nullptr,
                                      nullptr, nullptr);
        SetFocus(site.window);
        Take();
    }

    void TearDown() override
    {
        DestroyWindow(site.window);
        Take();
        CoUninitialize();
    }

    // A new control on this site, initialised; the log starts empty.
    IOleObject* Make()
    {
        IDispatch* d = NewControl();
        EXPECT_NE(d, nullptr);
        if (!d)
            return nullptr;
        IOleObject* ole = As<IOleObject>(d, IID_IOleObject);
        d->Release();
        EXPECT_EQ(ole->SetClientSite(&site), S_OK);
        IPersistStreamInit* init = As<IPersistStreamInit>(ole, IID_IPersistStreamInit);
        EXPECT_EQ(init->InitNew(), S_OK);
        init->Release();
        Take();
        return ole;
    }

    // The same, activated in place: the container heard just that, and the log starts empty again.
    IOleObject* MakeInPlace()
    {
        IOleObject* ole = Make();
        if (ole) {
            EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, nullptr), S_OK);
            EXPECT_EQ(Take(), kInPlace);
        }
        return ole;
    }

    // The control's own window in the container, or null.
    static HWND WindowOf(IOleObject* ole)
    {
        IOleInPlaceObject* ipo = As<IOleInPlaceObject>(ole, IID_IOleInPlaceObject);
        HWND hwnd = nullptr;
        if (ipo->GetWindow(&hwnd) != S_OK)
            hwnd = nullptr;
        ipo->Release();
        return hwnd;
    }

    static HRESULT PutOn(IOleObject* ole, const wchar_t* name, VARIANT value)
    {
        IDispatch* d = As<IDispatch>(ole, IID_IDispatch);
        Call c = Put(d, name, value);
        d->Release();
        return c.hr;
    }

    // Whether the frame's active object is this control.
    bool IsActive(IOleObject* ole)
    {
        IOleInPlaceActiveObject* mine = As<IOleInPlaceActiveObject>(ole, IID_IOleInPlaceActiveObject);
        bool same = frame.active == mine && doc.active == mine;
        mine->Release();
        return same;
    }

    // The container lets go of the control as a container does at the end.
    void Finish(IOleObject* ole)
    {
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        EXPECT_EQ(ole->Release(), 0u);
        ExpectNothingLeft();
    }

    void ExpectNothingLeft()
    {
        EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK);
        EXPECT_EQ(site.refs, 1);
        EXPECT_EQ(frame.refs, 1);
        EXPECT_EQ(doc.refs, 1);
        EXPECT_EQ(frame.active, nullptr);
        EXPECT_EQ(doc.active, nullptr);
        EXPECT_EQ(GetWindow(site.window, GW_CHILD), nullptr) << "a window left in the container";
    }

    CFrame frame{"Frame"};
    CFrame doc{"Doc"};
    CSite site{frame, doc};
};

// Key messages sent to windows of this thread, as the lists receive them.
std::vector<std::pair<HWND, WPARAM>> g_keys;

LRESULT CALLBACK RecordKeys(int code, WPARAM wp, LPARAM lp)
{
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_KEYDOWN)
        g_keys.emplace_back(m->hwnd, m->wParam);
    return CallNextHookEx(nullptr, code, wp, lp);
}

} // namespace

TEST_F(Hosting, ActivatingVerbsCallTheContainerInOrderAndDeactivationUndoesThem)
{
    for (LONG verb : {LONG(OLEIVERB_PRIMARY), LONG(OLEIVERB_SHOW), LONG(OLEIVERB_UIACTIVATE)}) {
        SCOPED_TRACE(verb);
        SetFocus(site.window);
        IOleObject* ole = Make();
        ASSERT_NE(ole, nullptr);
        RECT rect = {0, 0, 400, 300};
        EXPECT_EQ(ole->DoVerb(verb, nullptr, &site, 0, site.window, &rect), S_OK);
        EXPECT_EQ(Take(), kInPlace + kUIActivate + kGotFocus);
        HWND hwnd = WindowOf(ole);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(GetParent(hwnd), site.window);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_TRUE(IsChild(hwnd, GetFocus()));
        EXPECT_TRUE(IsActive(ole));
        // Once active, the verb only asks to be shown.
        EXPECT_EQ(ole->DoVerb(verb, nullptr, &site, 0, site.window, &rect), S_OK);
        EXPECT_EQ(Take(), Calls{"ShowObject"});

        IOleInPlaceObject* ipo = As<IOleInPlaceObject>(ole, IID_IOleInPlaceObject);
        EXPECT_EQ(ipo->UIDeactivate(), S_OK);
        EXPECT_EQ(Take(), kUIDeactivate);
        EXPECT_EQ(frame.active, nullptr);
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(ipo->UIDeactivate(), S_OK);
        EXPECT_EQ(Take(), Calls{});
        EXPECT_EQ(ipo->InPlaceDeactivate(), S_OK);
        EXPECT_EQ(Take(), kDeactivate);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(ipo->InPlaceDeactivate(), S_OK);
        EXPECT_EQ(Take(), Calls{});
        ipo->Release();
        Finish(ole);
    }
}

// A container that activates in place only, as the ATL host window does: the
// first focus on any of the control's windows brings the user interface, and
// with it the keys the container routes through its active object.
TEST_F(Hosting, FocusActivatesTheInterfaceOfAControlActivatedInPlaceOnly)
{
    IOleObject* ole = MakeInPlace();
    ASSERT_NE(ole, nullptr);
    EXPECT_FALSE(IsChild(WindowOf(ole), GetFocus()));
    EXPECT_EQ(frame.active, nullptr);

    HWND list = FindShownList(site.window);
    ASSERT_NE(list, nullptr);
    SetFocus(list);
    EXPECT_EQ(GetFocus(), list) << "the focus must stay where the user put it";
    EXPECT_EQ(Take(), kUIActivate + kGotFocus);
    ASSERT_TRUE(IsActive(ole));

    g_keys.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordKeys, nullptr, GetCurrentThreadId());
    auto press = [&](WPARAM vk) {
        MSG key = {list, WM_KEYDOWN, vk, 1, 0, {0, 0}};
        return frame.active->TranslateAccelerator(&key);
    };
    EXPECT_EQ(press(VK_DOWN), S_OK);
    EXPECT_EQ(press(VK_RETURN), S_OK);
    EXPECT_EQ(press(VK_TAB), S_FALSE); // the container's dialog keys
    UnhookWindowsHookEx(hook);
    const std::vector<std::pair<HWND, WPARAM>> reached = {{list, VK_DOWN}, {list, VK_RETURN}};
    EXPECT_EQ(g_keys, reached);

    // The focus leaves: the control site hears it; staying active is the container's choice.
    SetFocus(site.window);
    EXPECT_EQ(Take(), kLostFocus);
    EXPECT_TRUE(IsActive(ole));

    // The toolbar too.
    IOleInPlaceObject* ipo = As<IOleInPlaceObject>(ole, IID_IOleInPlaceObject);
    ipo->UIDeactivate();
    ipo->Release();
    Take();
    HWND toolbar = FindWindowExA(WindowOf(ole), nullptr, TOOLBARCLASSNAMEA, nullptr);
    ASSERT_NE(toolbar, nullptr);
    SetFocus(toolbar);
    EXPECT_EQ(GetFocus(), toolbar);
    EXPECT_EQ(Take(), kUIActivate + kGotFocus);
    EXPECT_TRUE(IsActive(ole));
    Finish(ole);
}

TEST_F(Hosting, EnteringBackwardsLandsOnTheListThatIsShown)
{
    IOleObject* ole = MakeInPlace();
    ASSERT_NE(ole, nullptr);
    HWND hwnd = WindowOf(ole);
    HWND files = FindShownList(site.window);
    HWND toolbar = FindWindowExA(hwnd, nullptr, TOOLBARCLASSNAMEA, nullptr);
    ASSERT_NE(files, nullptr);
    ASSERT_NE(toolbar, nullptr);
    auto enter = [&](bool shift) {
        SetFocus(site.window);
        HoldKey(VK_SHIFT, shift);
        SetFocus(hwnd);
        HoldKey(VK_SHIFT, false);
        return GetFocus();
    };
    EXPECT_EQ(enter(true), files); // the all-files view
    EXPECT_EQ(enter(false), files); // a new control's style hides the toolbar
    ASSERT_EQ(PutOn(ole, L"Style", VLong(2)), S_OK);
    EXPECT_EQ(enter(false), toolbar);

    // The views open as after a search that found files; the artist view shows the grouped list.
    SendMessageA(hwnd, UM_ENDSEARCH, 0, TRUE);
    ASSERT_EQ(PutOn(ole, L"View", VLong(1040)), S_OK);
    HWND grouped = FindShownList(site.window);
    ASSERT_NE(grouped, files);
    EXPECT_EQ(enter(true), grouped);
    EXPECT_EQ(enter(false), toolbar);
    Finish(ole);
}

TEST_F(Hosting, HideTakesTheInterfaceAwayAndUnknownVerbsAreAnsweredAsTheyShouldBe)
{
    IOleObject* ole = Make();
    ASSERT_NE(ole, nullptr);
    EXPECT_EQ(ole->DoVerb(-99, nullptr, &site, 0, site.window, nullptr), E_NOTIMPL);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_OPEN, nullptr, &site, 0, site.window, nullptr), E_NOTIMPL);
    EXPECT_EQ(Take(), Calls{});
    // A positive verb it does not know is the primary verb.
    EXPECT_EQ(ole->DoVerb(7, nullptr, &site, 0, site.window, nullptr), OLEOBJ_S_INVALIDVERB);
    EXPECT_EQ(Take(), kInPlace + kUIActivate + kGotFocus);
    HWND hwnd = WindowOf(ole);
    SetFocus(FindShownList(site.window));
    EXPECT_EQ(Take(), Calls{});

    EXPECT_EQ(ole->DoVerb(OLEIVERB_HIDE, nullptr, &site, 0, site.window, nullptr), S_OK);
    EXPECT_EQ(Take(), kUIDeactivate);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(frame.active, nullptr);
    SetFocus(site.window);
    EXPECT_EQ(Take(), kLostFocus);
    // Shown again, with its interface.
    EXPECT_EQ(ole->DoVerb(OLEIVERB_SHOW, nullptr, &site, 0, site.window, nullptr), S_OK);
    EXPECT_EQ(Take(), Calls{"ShowObject"} + kUIActivate + kGotFocus);
    EXPECT_EQ(WindowOf(ole), hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(IsActive(ole));
    Finish(ole);
}

TEST_F(Hosting, NewButtonTextsAskTheContainerForTheHotKeysAgainOnlyWhenTheyAreOnInUserMode)
{
    IOleObject* ole = MakeInPlace();
    ASSERT_NE(ole, nullptr);
    IDispatch* d = As<IDispatch>(ole, IID_IDispatch);
    auto rename = [&](SHORT button) {
        Take();
        Method(d, L"SetToolbarString", {VShort(button), VStr(L"&Go")});
        return Take();
    };
    EXPECT_EQ(rename(1), Calls{}); // hot keys off
    Method(d, L"EnableHotKeyForVB");
    const Calls refresh = {"OnControlInfoChanged", "OnFocus(1)"};
    EXPECT_EQ(rename(1), refresh);
    EXPECT_EQ(rename(3), refresh); // no button of that number, still asked
    site.userMode = 0;
    EXPECT_EQ(rename(2), Calls{});
    site.userMode = -1;
    d->Release();
    Finish(ole);
}

TEST_F(Hosting, CloseSavesAModifiedControlOnlyAndALetGoControlTakesItsWindowAlong)
{
    for (bool modified : {true, false}) {
        SCOPED_TRACE(modified);
        IOleObject* ole = Make();
        ASSERT_NE(ole, nullptr);
        EXPECT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, site.window, nullptr), S_OK);
        EXPECT_EQ(modified ? PutOn(ole, L"ColNameWidth", VShort(90)) : S_OK, S_OK);
        Take();
        EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(Take(), kUIDeactivate + kDeactivate);
        EXPECT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, site.window, nullptr), S_OK);
        Take();
        EXPECT_EQ(ole->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
        EXPECT_EQ(Take(), (modified ? Calls{"SaveObject"} : Calls{}) + kUIDeactivate + kDeactivate);
        EXPECT_EQ(WindowOf(ole), nullptr);
        Finish(ole);
    }

    // A container that releases the control while it is in place, without closing it.
    IOleObject* ole = MakeInPlace();
    ASSERT_NE(ole, nullptr);
    HWND hwnd = WindowOf(ole);
    Take();
    EXPECT_EQ(ole->Release(), 0u);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(Take(), Calls{"OnInPlaceDeactivate"});
    ExpectNothingLeft();
}

TEST_F(Hosting, AContainerThatRefusesInPlaceActivationGetsNoWindow)
{
    site.canInPlace = S_FALSE;
    IOleObject* ole = Make();
    ASSERT_NE(ole, nullptr);
    for (LONG verb : {LONG(OLEIVERB_SHOW), LONG(OLEIVERB_PRIMARY), LONG(OLEIVERB_INPLACEACTIVATE)}) {
        EXPECT_EQ(ole->DoVerb(verb, nullptr, &site, 0, site.window, nullptr), OLE_E_NOT_INPLACEACTIVE);
        EXPECT_EQ(Take(), Calls{"CanInPlaceActivate"});
    }
    EXPECT_EQ(WindowOf(ole), nullptr);
    EXPECT_EQ(GetWindow(site.window, GW_CHILD), nullptr);
    site.inPlace = false; // a site with no in-place side at all
    EXPECT_EQ(ole->DoVerb(OLEIVERB_SHOW, nullptr, &site, 0, site.window, nullptr), OLE_E_NOT_INPLACEACTIVE);
    EXPECT_EQ(Take(), Calls{});
    Finish(ole);
}

TEST_F(Hosting, PropertiesVerbShowsTheFrameWithThePageUnlessTheContainerHasItsOwn)
{
    ASSERT_EQ(OcxCall("DllRegisterServer"), S_OK); // the frame creates the page by its class id
    IOleObject* ole = MakeInPlace();
    ASSERT_NE(ole, nullptr);
    site.propertyFrame = S_OK;
    EXPECT_EQ(ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, &site, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(ole->DoVerb(1, nullptr, &site, 0, nullptr, nullptr), S_OK); // the menu's Properties
    EXPECT_EQ(Take(), (Calls{"ShowPropertyFrame", "ShowPropertyFrame"}));

    // Without a frame of the container's the system's own shows the page; read, then cancelled.
    site.propertyFrame = E_NOTIMPL;
    std::string caption, tab;
    WhileModal("#32770", [&] { EXPECT_EQ(ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, &site, 0, nullptr, nullptr), S_OK); },
               [&](HWND sheet) {
                   caption = TextOf(sheet);
                   char text[64] = {};
                   TCITEMA item = {TCIF_TEXT, 0, 0, text, sizeof text, 0, 0};
                   SendMessageA(FindWindowExA(sheet, nullptr, WC_TABCONTROLA, nullptr), TCM_GETITEMA, 0, LPARAM(&item));
                   tab = text;
                   PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
               }, [](HWND sheet) { PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); }, g_frame);
    EXPECT_NE(caption.find("Tarnwick Control"), std::string::npos) << caption;
    EXPECT_EQ(tab, "General");
    EXPECT_EQ(Take(), (Calls{"ShowPropertyFrame", "Frame.EnableModeless(0)", "Frame.EnableModeless(1)"}));
    Finish(ole);
}

TEST_F(Hosting, EnumVerbsOffersWhatDoVerbDoes)
{
    IOleObject* ole = Make();
    ASSERT_NE(ole, nullptr);
    IEnumOLEVERB* e = nullptr;
    ASSERT_EQ(ole->EnumVerbs(&e), S_OK);
    OLEVERB verbs[9] = {};
    ULONG n = 0;
    EXPECT_EQ(e->Next(9, verbs, &n), S_FALSE);
    ASSERT_EQ(n, 7u);
    const struct { LONG verb; const wchar_t* name; DWORD attribs; } expected[] = {
        {OLEIVERB_PROPERTIES, L"&Properties...", 0},
        {OLEIVERB_INPLACEACTIVATE, L"Activate in place", OLEVERBATTRIB_NEVERDIRTIES},
        {OLEIVERB_UIACTIVATE, L"Activate", OLEVERBATTRIB_NEVERDIRTIES},
        {OLEIVERB_HIDE, L"Hide", OLEVERBATTRIB_NEVERDIRTIES},
        {OLEIVERB_SHOW, L"Show", OLEVERBATTRIB_NEVERDIRTIES},
        {OLEIVERB_PRIMARY, L"&Edit", OLEVERBATTRIB_NEVERDIRTIES | OLEVERBATTRIB_ONCONTAINERMENU},
        {1, L"&Properties...", OLEVERBATTRIB_ONCONTAINERMENU},
    };
    for (ULONG i = 0; i < n; ++i) {
        EXPECT_EQ(verbs[i].lVerb, expected[i].verb) << i;
        EXPECT_STREQ(verbs[i].lpszVerbName, expected[i].name) << i;
        EXPECT_EQ(verbs[i].fuFlags, 0u) << i;
        EXPECT_EQ(verbs[i].grfAttribs, expected[i].attribs) << i;
        CoTaskMemFree(verbs[i].lpszVerbName);
    }

    // Skip, Reset and a clone that keeps its own place.
    EXPECT_EQ(e->Next(1, verbs, nullptr), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(5), S_OK);
    IEnumOLEVERB* clone = nullptr;
    ASSERT_EQ(e->Clone(&clone), S_OK);
    EXPECT_EQ(e->Next(2, verbs, nullptr), E_INVALIDARG);
    ASSERT_EQ(e->Next(2, verbs, &n), S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(verbs[0].lVerb, OLEIVERB_PRIMARY);
    EXPECT_EQ(verbs[1].lVerb, 1);
    for (int i : {0, 1})
        CoTaskMemFree(verbs[i].lpszVerbName);
    EXPECT_EQ(e->Skip(1), S_FALSE);
    ASSERT_EQ(clone->Next(1, verbs, nullptr), S_OK);
    EXPECT_EQ(verbs[0].lVerb, OLEIVERB_PRIMARY);
    CoTaskMemFree(verbs[0].lpszVerbName);
    e->Release();

    // Every verb offered, but the modal Properties, is carried out.
    for (const auto& v : expected) {
        if (v.verb != OLEIVERB_PROPERTIES && v.verb != 1) {
            EXPECT_EQ(ole->DoVerb(v.verb, nullptr, &site, 0, site.window, nullptr), S_OK) << v.verb;
        }
    }
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    EXPECT_EQ(ole->Release(), 0u);
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_FALSE); // the clone outlives the control
    clone->Release();
    ExpectNothingLeft();
}
