// The control's two font properties as a host uses them: font objects changed
// in place reach the windows and what the container saves, and a new control
// starts from (and follows) the container's ambient font.
#include "HostedControl.h"
#include "RecordingSite.h"
#include <cstdlib>

namespace {

IFont* FontOf(IDispatch* ctrl, const wchar_t* prop)
{
    Call c = Get(ctrl, prop);
    return c.result.vt == VT_DISPATCH && c.result.pdispVal ? As<IFont>(c.result.pdispVal, IID_IFont) : nullptr;
}

LONGLONG SizeOf(IFont* f)
{
    CY size = {};
    f->get_Size(&size);
    return size.int64;
}

LONGLONG FontSize(IDispatch* ctrl, const wchar_t* prop = L"Font")
{
    IFont* f = FontOf(ctrl, prop);
    if (!f)
        return -1;
    LONGLONG size = SizeOf(f);
    f->Release();
    return size;
}

// The font a window answers WM_GETFONT with; lfHeight 0 when it has none.
LOGFONTA WindowFont(HWND hwnd)
{
    LOGFONTA lf = {};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (font)
        GetObjectA(font, sizeof lf, &lf);
    return lf;
}

using ClassSearch = std::pair<const char*, std::vector<HWND>>;

BOOL CALLBACK CollectOfClass(HWND hwnd, LPARAM lp)
{
    auto* search = reinterpret_cast<ClassSearch*>(lp);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpiA(name, search->first) == 0)
        search->second.push_back(hwnd);
    return TRUE;
}

// Every window of the class anywhere below root.
std::vector<HWND> WindowsOfClass(HWND root, const char* cls)
{
    ClassSearch search = {cls, {}};
    EnumChildWindows(root, CollectOfClass, LPARAM(&search));
    return search.second;
}

HRESULT Persist(IDispatch* ctrl, bool initNew) // IPersistStreamInit::InitNew, else IsDirty
{
    IPersistStreamInit* psi = As<IPersistStreamInit>(ctrl, IID_IPersistStreamInit);
    HRESULT hr = initNew ? psi->InitNew() : psi->IsDirty();
    psi->Release();
    return hr;
}
HRESULT IsDirty(IDispatch* ctrl) { return Persist(ctrl, false); }
HRESULT InitNew(IDispatch* ctrl) { return Persist(ctrl, true); }

void SetSite(IDispatch* ctrl, IOleClientSite* site)
{
    IOleObject* ole = As<IOleObject>(ctrl, IID_IOleObject);
    ole->SetClientSite(site);
    ole->Release();
}

class Fonts : public ::testing::Test {
protected:
    // One hidden frame for the whole suite: each control lives in a child window of it.
    static void SetUpTestSuite()
    {
        frame = CreateWindowExA(0, "STATIC", "fonts", WS_OVERLAPPEDWINDOW, 0, 0, 420, 320, nullptr, nullptr, nullptr,
                                nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(frame); }

    void SetUp() override
    {
        CoInitialize(nullptr);
        ASSERT_TRUE(InitAtlHosting());
        ASSERT_NE(frame, nullptr);
        ctrl = NewControl();
        ASSERT_NE(ctrl, nullptr);
        site.inPlace = site.controlSite = false;
    }

    void TearDown() override
    {
        Unhost();
        Drop(ctrl);
        CoUninitialize();
    }

    // Places the control (initialised as new unless told) in Wine's ATL container; the control's window.
    HWND Host(bool initNew = true)
    {
        EXPECT_EQ(initNew ? InitNew(ctrl) : S_OK, S_OK);
        box = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, frame, nullptr, nullptr, nullptr);
        EXPECT_EQ(AttachToHost(ctrl, box, &container), S_OK);
        HWND hwnd = nullptr;
        IOleWindow* window = As<IOleWindow>(ctrl, IID_IOleWindow);
        window->GetWindow(&hwnd);
        window->Release();
        return hwnd;
    }

    void Unhost()
    {
        if (box)
            DestroyWindow(box); // the container closes the control and lets it go
        box = nullptr;
        Drop(container);
    }

    static HWND frame;
    IDispatch* ctrl = nullptr;
    HWND box = nullptr;
    IUnknown* container = nullptr;
    CFrame siteFrame{"Frame"}, siteDoc{"Doc"};
    CSite site{siteFrame, siteDoc}; // a plain client site with the ambient font
};

HWND Fonts::frame = nullptr;

} // namespace

TEST_F(Fonts, SizeChangedInPlaceReachesListsToolbarAndTheSavedControl)
{
    HWND hwnd = Host();
    ASSERT_NE(hwnd, nullptr);
    std::vector<HWND> windows = WindowsOfClass(hwnd, "SysListView32");
    ASSERT_EQ(windows.size(), 2u);
    std::vector<HWND> toolbars = WindowsOfClass(hwnd, "ToolbarWindow32");
    ASSERT_EQ(toolbars.size(), 1u);
    windows.push_back(toolbars[0]);
    LONG before = WindowFont(windows[0]).lfHeight;
    ASSERT_NE(before, 0);
    EXPECT_EQ(IsDirty(ctrl), S_FALSE);

    // ctl.Font.Size = 14, as a script writes it.
    IFont* font = FontOf(ctrl, L"Font");
    ASSERT_NE(font, nullptr);
    LONGLONG oldSize = SizeOf(font);
    IDispatch* disp = As<IDispatch>(font, IID_IDispatch);
    ASSERT_EQ(Put(disp, L"Size", VLong(14)).hr, S_OK);
    disp->Release();
    LONGLONG newSize = SizeOf(font);
    ASSERT_NE(newSize, oldSize);

    for (HWND w : windows) {
        LONG height = WindowFont(w).lfHeight;
        EXPECT_NE(height, 0);
        EXPECT_GT(labs(height), labs(before));
    }
    EXPECT_EQ(IsDirty(ctrl), S_OK);

    IStream* stream = SavedStream(ctrl);
    IDispatch* other = LoadedControl(stream);
    EXPECT_EQ(FontSize(other), newSize);
    other->Release();
    stream->Release();
    font->Release();
}

TEST_F(Fonts, BoldChangedInPlaceReachesTheHelpTip)
{
    // Changed before the window exists: kept, and shown once the tip is made.
    ASSERT_EQ(InitNew(ctrl), S_OK);
    IFont* font = FontOf(ctrl, L"TipTextFont");
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->put_Bold(TRUE), S_OK);
    EXPECT_EQ(IsDirty(ctrl), S_OK);

    SavedStream(ctrl)->Release(); // clears the modified flag
    ASSERT_NE(Host(false), nullptr);
    std::vector<HWND> tips = WindowsOfClass(box, "TarnwickTip");
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_GE(WindowFont(tips[0]).lfWeight, FW_BOLD);

    // And in place while the tip is shown.
    ASSERT_EQ(font->put_Bold(FALSE), S_OK);
    LOGFONTA lf = WindowFont(tips[0]);
    EXPECT_NE(lf.lfHeight, 0);
    EXPECT_LT(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(IsDirty(ctrl), S_OK);
    font->Release();
}

TEST_F(Fonts, NewControlStartsFromTheAmbientFontAndFollowsItUntilTheHostSetsOne)
{
    site.SetFont(L"Courier New", 17);
    IFont* ambient = As<IFont>(site.font, IID_IFont);
    LONGLONG size17 = SizeOf(ambient);
    ambient->Release();

    // A container that sets the site first, as the control asks.
    SetSite(ctrl, &site);
    ASSERT_EQ(InitNew(ctrl), S_OK);
    IFont* font = FontOf(ctrl, L"Font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(SizeOf(font), size17);
    BOOL italic = FALSE;
    font->get_Italic(&italic);
    EXPECT_TRUE(italic);
    EXPECT_EQ(IsDirty(ctrl), S_FALSE);
    font->Release();

    // It follows the container's font...
    site.SetFont(L"Courier New", 21);
    IOleControl* control = As<IOleControl>(ctrl, IID_IOleControl);
    control->OnAmbientPropertyChange(DISPID_AMBIENT_FONT);
    LONGLONG size21 = FontSize(ctrl);
    EXPECT_GT(size21, size17);

    // ...until the host changes the control's font itself.
    font = FontOf(ctrl, L"Font");
    ASSERT_NE(font, nullptr);
    font->put_Bold(TRUE);
    font->Release();
    site.SetFont(L"Courier New", 9);
    control->OnAmbientPropertyChange(DISPID_AMBIENT_FONT);
    EXPECT_EQ(FontSize(ctrl), size21);
    control->Release();
    SetSite(ctrl, nullptr);

    // A container that initialises before it sets the site.
    IDispatch* late = NewControl();
    ASSERT_EQ(InitNew(late), S_OK);
    LONGLONG builtIn = FontSize(late);
    SetSite(late, &site);
    LONGLONG size9 = FontSize(late);
    EXPECT_LT(size9, size21);
    EXPECT_NE(size9, builtIn);

    // A loaded control keeps the font it saved.
    IStream* stream = SavedStream(ctrl);
    IDispatch* loaded = LoadedControl(stream);
    SetSite(loaded, &site);
    EXPECT_EQ(FontSize(loaded), size21);
    SetSite(loaded, nullptr);
    SetSite(late, nullptr);
    loaded->Release();
    late->Release();
    stream->Release();
}

TEST_F(Fonts, FinalReleaseAfterTheHostHeldAndChangedTheFonts)
{
    Host();
    IFont* font = FontOf(ctrl, L"Font");
    IFont* tipFont = FontOf(ctrl, L"TipTextFont");
    ASSERT_NE(font, nullptr);
    ASSERT_NE(tipFont, nullptr);
    font->put_Italic(TRUE);
    tipFont->put_Underline(TRUE);
    font->Release();
    Unhost();
    EXPECT_EQ(ctrl->Release(), 0u);
    ctrl = nullptr;

    // The host still holds a font of the gone control and changes it: nobody is told.
    CY size = {};
    size.int64 = 200000;
    EXPECT_EQ(tipFont->put_Size(size), S_OK);
    tipFont->Release();
    EXPECT_EQ(OcxCall("DllCanUnloadNow"), S_OK);
}
