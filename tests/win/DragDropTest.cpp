// Drags through the framework's entry point that end on a real drop target: a
// window of this process registered with RegisterDragDrop. Wine's drag loop
// reads the button state from the thread's key state and the position from each
// message's point, so the tests hold the left button in the thread's key state, put
// the cursor over the target and let the target release the button or press
// Escape from inside the loop. No mouse is needed.
#include "HostedControl.h"
#include "framework/DragDrop.h"
#include <functional>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// A drop target that records what it is told and what it received.
class CTarget : public IDropTarget {
public:
    DWORD answer = DROPEFFECT_COPY;   // the effect it takes from those offered
    std::function<void()> onOver;     // run at the first DragOver
    std::vector<std::string> calls;   // enter, over (repeats folded), leave, drop
    IDataObject* kept = nullptr;      // the data object, held from DragEnter on
    HRESULT oleDuringDrag = E_FAIL;   // OleInitialize inside the drag
    std::vector<FORMATETC> offered;   // the formats the data object lists
    STGMEDIUM got = {};               // GetData of the first offered format at the drop
    HRESULT gotHr = E_FAIL;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == IID_IDropTarget ? this : nullptr;
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }

    STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        calls.push_back("enter");
        oleDuringDrag = OleInitialize(nullptr); // S_FALSE: the drag's own initialisation is in force
        if (SUCCEEDED(oleDuringDrag))
            OleUninitialize();
        kept = data;
        kept->AddRef();
        IEnumFORMATETC* e = nullptr;
        if (data->EnumFormatEtc(DATADIR_GET, &e) == S_OK) {
            FORMATETC f;
            while (e->Next(1, &f, nullptr) == S_OK)
                offered.push_back(f);
            e->Release();
        }
        *effect &= answer;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override
    {
        if (calls.empty() || calls.back() != "over") {
            calls.push_back("over");
            if (onOver)
                onOver();
        }
        if (++overs == 40) // a drag that missed its end: let go of the button so the test goes on
            HoldKey(VK_LBUTTON, false);
        *effect &= answer;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override
    {
        calls.push_back("leave");
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        calls.push_back("drop");
        if (!offered.empty()) {
            FORMATETC f = offered[0];
            gotHr = data->GetData(&f, &got);
        }
        *effect &= answer;
        return S_OK;
    }

    // The drag ended in a drop of exactly one format, this one, read back at the drop.
    ::testing::AssertionResult Delivered(CLIPFORMAT format) const
    {
        if (calls != std::vector<std::string>{"enter", "over", "drop"})
            return ::testing::AssertionFailure() << calls.size() << " calls, the last " << calls.back();
        if (offered.size() != 1 || offered[0].cfFormat != format)
            return ::testing::AssertionFailure() << offered.size() << " formats";
        if (gotHr != S_OK)
            return ::testing::AssertionFailure() << "GetData answered " << std::hex << gotHr;
        return ::testing::AssertionSuccess();
    }

    int refs = 0;
    int overs = 0;
};

const DWORD kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

HGLOBAL Block(const void* bytes, size_t size)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
    memcpy(GlobalLock(h), bytes, size);
    GlobalUnlock(h);
    return h;
}

// A file-drop block of wide paths.
HGLOBAL FileDrop(const std::vector<std::wstring>& paths)
{
    std::wstring list;
    for (const std::wstring& p : paths)
        list += p + L'\0';
    list += L'\0';
    std::string bytes(sizeof(DROPFILES) + list.size() * sizeof(wchar_t), '\0');
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    memcpy(&bytes[0], &header, sizeof header);
    memcpy(&bytes[sizeof header], list.data(), list.size() * sizeof(wchar_t));
    return Block(bytes.data(), bytes.size());
}

std::vector<std::wstring> PathsOf(HGLOBAL drop)
{
    std::vector<std::wstring> paths;
    HDROP h = static_cast<HDROP>(drop);
    UINT n = DragQueryFileW(h, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
        wchar_t path[MAX_PATH] = {};
        DragQueryFileW(h, i, path, MAX_PATH);
        paths.push_back(path);
    }
    return paths;
}

std::string BytesOf(HGLOBAL h)
{
    std::string bytes(static_cast<const char*>(GlobalLock(h)), GlobalSize(h));
    GlobalUnlock(h);
    return bytes;
}


// A plain window for a drop target: a static control would let the cursor's hit test pass through.
HWND TargetWindow(DWORD style, int x, int y, int width, int height, HWND parent)
{
    static ATOM registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "TwDropTarget";
        return RegisterClassA(&wc);
    }();
    if (!registered)
        return nullptr;
    HWND window = CreateWindowExA(0, "TwDropTarget", "target", style | WS_VISIBLE, x, y, width, height, parent,
                                  nullptr, nullptr, nullptr);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return window;
}

// The target window with the drop target registered and the cursor over it.
// The button starts up, so a drag started now drops at once unless a test holds it.
struct CDropSpot {
    HWND window = nullptr;
    CTarget target;

    void Open(HWND on)
    {
        ASSERT_NE(window = on, nullptr);
        ASSERT_EQ(RegisterDragDrop(window, &target), S_OK);
        RECT r;
        GetWindowRect(window, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        MSG msg; // the window's first messages and the cursor's move
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        POINT at;
        GetCursorPos(&at);
        ASSERT_EQ(WindowFromPoint(at), window);
    }
    void Close()
    {
        HoldKey(VK_LBUTTON, false);
        RevokeDragDrop(window);
        Forget();
        EXPECT_EQ(target.refs, 0);
    }
    // Lets go of what the last drag left with the target.
    void Forget()
    {
        Drop(target.kept);
        ReleaseStgMedium(&target.got);
        target.calls.clear();
        target.offered.clear();
        target.gotHr = E_FAIL;
        target.overs = 0;
    }
    // Holds the button; the target lets it go at its first DragOver, as the user does over it.
    void ReleaseOverTarget()
    {
        HoldKey(VK_LBUTTON, true);
        target.onOver = [] {
            HoldKey(VK_LBUTTON, false);
            PostMessageA(GetCapture(), WM_LBUTTONUP, 0, MAKELPARAM(100, 75));
        };
    }
};

} // namespace

class DragDrop : public ::testing::Test {
protected:
    // One top-level window for the suite: destroying one here waits seconds for the X server.
    static void SetUpTestSuite() { s_window = TargetWindow(WS_POPUP, 700, 500, 200, 150, nullptr); }
    static void TearDownTestSuite() { DestroyWindow(s_window); }

    // The thread has COM but not OLE, as in a host that only called CoInitialize.
    void SetUp() override
    {
        CoInitialize(nullptr);
        spot.Open(s_window);
        locks = fw::ModuleLockCount();
    }
    void TearDown() override
    {
        spot.Close();
        EXPECT_EQ(fw::ModuleLockCount(), locks); // the data object and the drop source are gone
        CoUninitialize();
    }

    static HWND s_window;
    CDropSpot spot;
    CTarget& target = spot.target;
    LONG locks = 0;
};
HWND DragDrop::s_window;

TEST_F(DragDrop, FilesReachTheTargetAsPathsAndTheDataObjectEndsWithItsLastHolder)
{
    const std::vector<std::wstring> paths = {L"T:tree\\a.mp3", L"C:\\Music\\B\xE9zier\\c d.mp3"};
    // Whatever OLE state the thread had (the ATL host window of earlier tests leaves
    // OLE initialised), the drag leaves it as it found it.
    HRESULT before = OleInitialize(nullptr);
    if (SUCCEEDED(before))
        OleUninitialize();
    spot.ReleaseOverTarget();
    EXPECT_EQ(fw::DragBlock(CF_HDROP, FileDrop(paths), kAll), DWORD(DROPEFFECT_COPY));
    ASSERT_TRUE(target.Delivered(CF_HDROP));
    EXPECT_EQ(target.oleDuringDrag, S_FALSE); // the drag runs with OLE initialised
    HRESULT after = OleInitialize(nullptr);
    EXPECT_EQ(after, before);
    if (SUCCEEDED(after))
        OleUninitialize();

    EXPECT_EQ(target.offered[0].tymed, DWORD(TYMED_HGLOBAL));
    EXPECT_EQ(target.offered[0].dwAspect, DWORD(DVASPECT_CONTENT));
    EXPECT_EQ(target.offered[0].lindex, -1);
    FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(target.kept->QueryGetData(&text), DV_E_FORMATETC);
    EXPECT_EQ(target.got.pUnkForRelease, nullptr);
    EXPECT_EQ(PathsOf(target.got.hGlobal), paths);
    // Nothing but the target holds the data object now; what it got outlives it.
    EXPECT_EQ(target.kept->Release(), 0u);
    target.kept = nullptr;
    EXPECT_EQ(PathsOf(target.got.hGlobal), paths);
}

TEST_F(DragDrop, TextReachesTheTargetByteForByte)
{
    const std::string text = "<DIR name=\"Rock\">T:tree\\a.mp3|</DIR>T:tree\\b.mp3|";
    spot.ReleaseOverTarget();
    target.answer = DROPEFFECT_MOVE;
    EXPECT_EQ(fw::DragBlock(CF_TEXT, Block(text.c_str(), text.size() + 1), kAll), DWORD(DROPEFFECT_MOVE));
    ASSERT_TRUE(target.Delivered(CF_TEXT));
    EXPECT_EQ(BytesOf(target.got.hGlobal), text + '\0');
}

TEST_F(DragDrop, EscapeOrARefusingTargetDropsNothing)
{
    const std::string text = "T:tree\\a.mp3|";
    const struct {
        bool escape;    // Escape pressed over the target; else the button released there
        DWORD answer;   // the effects the target takes
        DWORD allowed;  // the effects the drag offers
    } rows[] = {
        {true, DROPEFFECT_COPY, kAll},
        {false, DROPEFFECT_NONE, kAll},             // a target that takes none of the effects
        {false, DROPEFFECT_LINK, DROPEFFECT_COPY},  // one that would take only a link is not offered one
    };
    for (const auto& row : rows) {
        spot.Forget();
        spot.ReleaseOverTarget();
        if (row.escape)
            target.onOver = [this] { PostMessageA(spot.window, WM_KEYDOWN, VK_ESCAPE, 1); };
        target.answer = row.answer;
        EXPECT_EQ(fw::DragBlock(CF_TEXT, Block(text.c_str(), text.size() + 1), row.allowed), DWORD(DROPEFFECT_NONE));
        EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "over", "leave"})) << row.answer;
    }
}

// What a receiver may ask the data object, format by format.
TEST_F(DragDrop, TheDataObjectAnswersOnlyForItsOneFormat)
{
    const std::string text = "T:tree\\a.mp3|";
    IDataObject* data = nullptr;
    ASSERT_EQ(fw::CBlockData::Create(CF_TEXT, Block(text.c_str(), text.size() + 1), &data), S_OK);
    struct Ask {
        FORMATETC f;
        HRESULT hr;
    };
    for (const Ask& a : {Ask{{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM}, S_OK},
                         Ask{{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
                         Ask{{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM}, DV_E_TYMED},
                         Ask{{CF_TEXT, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL}, DV_E_DVASPECT},
                         Ask{{CF_TEXT, nullptr, DVASPECT_CONTENT, 0, TYMED_HGLOBAL}, DV_E_LINDEX}}) {
        FORMATETC f = a.f;
        EXPECT_EQ(data->QueryGetData(&f), a.hr) << f.cfFormat << " " << f.tymed;
        STGMEDIUM m = {};
        EXPECT_EQ(data->GetData(&f, &m), a.hr) << f.cfFormat << " " << f.tymed;
        if (m.tymed == TYMED_HGLOBAL) {
            EXPECT_EQ(BytesOf(m.hGlobal), text + '\0');
            ReleaseStgMedium(&m);
        }
    }

    // Into the receiver's own block: whole, or not at all when it is too small.
    FORMATETC f = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM here = {};
    here.tymed = TYMED_HGLOBAL;
    here.hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 5);
    EXPECT_EQ(data->GetDataHere(&f, &here), S_OK);
    EXPECT_EQ(BytesOf(here.hGlobal), text + std::string(5, '\0'));
    ReleaseStgMedium(&here);
    here.tymed = TYMED_HGLOBAL;
    here.hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size());
    EXPECT_EQ(data->GetDataHere(&f, &here), STG_E_MEDIUMFULL);
    EXPECT_EQ(BytesOf(here.hGlobal), std::string(text.size(), '\0'));
    ReleaseStgMedium(&here);

    // Nothing can be set or watched; the identity is the data object's own.
    STGMEDIUM set = {};
    EXPECT_EQ(data->SetData(&f, &set, FALSE), E_NOTIMPL);
    IEnumFORMATETC* e = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &e), E_NOTIMPL);
    EXPECT_EQ(e, nullptr);
    DWORD cookie = 0;
    EXPECT_EQ(data->DAdvise(&f, 0, nullptr, &cookie), OLE_E_ADVISENOTSUPPORTED);
    IUnknown* unknown = As<IUnknown>(data, IID_IUnknown);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(data));
    EXPECT_EQ(As<IDropSource>(data, IID_IDropSource), nullptr);
    Drop(unknown);
    EXPECT_EQ(data->Release(), 0u);
}

// Drags started as the list view starts them, in a hosted control with a searched library.
class ListDrag : public Views {
protected:
    void SetUp() override
    {
        Views::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) // a window of the host's frame, over the control's lower right
            spot.Open(TargetWindow(WS_CHILD, 300, 200, 100, 80, frame));
        spot.target.answer = DROPEFFECT_MOVE; // which the list must not act on
    }
    void TearDown() override
    {
        spot.Close();
        Views::TearDown();
    }

    // The rows as shown, a selected one marked with a star.
    static std::vector<std::string> State(HWND list)
    {
        std::vector<std::string> rows = Rows(list);
        for (size_t i = 0; i < rows.size(); ++i)
            if (CListView(list).ItemState(i, LVIS_SELECTED))
                rows[i] = "*" + rows[i];
        return rows;
    }
    static std::wstring PathOf(HWND list, const std::string& name)
    {
        std::string path = Cell(list, Find(list, name), 3);
        return std::wstring(path.begin(), path.end()); // the test library's paths are ASCII
    }

    // The list view's begin-drag notice, sent to the list's parent as the list
    // view sends it; the target lets the button go when the drag reaches it.
    void BeginDrag(HWND list)
    {
        spot.Forget();
        spot.ReleaseOverTarget();
        NMLISTVIEW nm = {};
        nm.hdr.hwndFrom = list;
        nm.hdr.idFrom = UINT_PTR(GetDlgCtrlID(list));
        nm.hdr.code = LVN_BEGINDRAG;
        nm.iItem = CListView(list).NextItem(-1, LVNI_SELECTED);
        EXPECT_EQ(SendMessageA(GetParent(list), WM_NOTIFY, nm.hdr.idFrom, LPARAM(&nm)), 0);
        HoldKey(VK_LBUTTON, false); // when no drag started, the button is still held
    }

    CDropSpot spot;
};

TEST_F(ListDrag, TheSelectionLeavesInOneFormatAndTheListStaysAsItWas)
{
    // Nothing selected, or only the nothing-found row: no drag starts.
    Call text = Put(ctrl, L"StrNoFileFound", VStr(L"Nothing here"));
    Write("T:\\tree\\notes.txt", "x");
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    HWND files = Shown();
    BeginDrag(files);
    EXPECT_TRUE(spot.target.calls.empty());
    Select(files, {"Nothing here"});
    BeginDrag(files);
    EXPECT_TRUE(spot.target.calls.empty());
    EXPECT_EQ(State(files), std::vector<std::string>{"*Nothing here"});
    // Through automation the tagged text of such a selection is empty, and the answer TRUE.
    VARIANT kept = VStr(L"kept");
    Call string = Method(ctrl, L"GetSelectedItemsString", {VRef(&kept)});
    EXPECT_TRUE(string.Bool());
    EXPECT_EQ(Narrow(kept.bstrVal), "");
    VariantClear(&kept);

    // Only files: their paths in list order, and no text.
    SearchLibrary();
    files = Shown();
    Select(files, {"e.wav", "a.mp3"});
    std::vector<std::wstring> paths;
    for (const std::string& row : State(files))
        if (row[0] == '*')
            paths.push_back(PathOf(files, row.substr(1)));
    ASSERT_EQ(paths.size(), 2u);
    std::vector<std::string> before = State(files);
    BeginDrag(files);
    CTarget& target = spot.target;
    ASSERT_TRUE(target.Delivered(CF_HDROP));
    EXPECT_EQ(PathsOf(target.got.hGlobal), paths);
    EXPECT_EQ(State(files), before);
    EXPECT_EQ(target.kept->Release(), 0u); // the control keeps nothing of the drag
    target.kept = nullptr;
    // Sorted by a header click, the items still carry their rows: a drag takes the same paths in the new order.
    ClickListHeader(files, 0);
    ClickListHeader(files, 0);
    Select(files, {"e.wav", "a.mp3"});
    BeginDrag(files);
    ASSERT_TRUE(target.Delivered(CF_HDROP));
    std::vector<std::wstring> sorted;
    for (const std::string& row : State(files))
        if (row[0] == '*')
            sorted.push_back(PathOf(files, row.substr(1)));
    EXPECT_EQ(PathsOf(target.got.hGlobal), sorted);
    Drop(target.kept);

    // A group row among them: the tagged text alone, a closed group with its catalogued files.
    const std::wstring a = PathOf(files, "a.mp3"), b = PathOf(files, "b.mp3"), c = PathOf(files, "c.mp3");
    auto narrow = [](const std::wstring& w) { return std::string(w.begin(), w.end()); };
    SetView(1040);
    HWND grouped = Shown();
    Click(grouped, Find(grouped, "Band")); // opens it
    Select(grouped, {"Band", "a.mp3", "Other"});
    before = State(grouped);
    BeginDrag(grouped);
    ASSERT_TRUE(target.Delivered(CF_TEXT));
    EXPECT_EQ(BytesOf(target.got.hGlobal),
              "<DIR name=\"Band\">" + narrow(a) + "|</DIR><DIR name=\"Other\">" + narrow(c) + "|</DIR>" + '\0');
    EXPECT_EQ(State(grouped), before);

    // Files alone in the grouped list leave as files.
    Select(grouped, {"b.mp3", "a.mp3"});
    before = State(grouped);
    BeginDrag(grouped);
    ASSERT_TRUE(target.Delivered(CF_HDROP));
    EXPECT_EQ(PathsOf(target.got.hGlobal), (std::vector<std::wstring>{a, b}));
    EXPECT_EQ(State(grouped), before);
}

// With UnicodeNames the files leave as UTF-16 paths that open, and the tagged
// text as UTF-16 text.
TEST_F(ListDrag, UnicodeNamesLeaveWhole)
{
    SearchMixedFolder();
    HWND files = Shown();
    std::vector<int> all(6);
    for (int i = 0; i < 6; ++i)
        all[size_t(i)] = i;
    CListView(files).Select(all);
    BeginDrag(files);
    CTarget& target = spot.target;
    ASSERT_TRUE(target.Delivered(CF_HDROP));
    std::vector<std::wstring> dropped = PathsOf(target.got.hGlobal);
    EXPECT_EQ(dropped, WideRows(files, 3));
    for (const std::wstring& path : dropped)
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

    SetView(1040);
    HWND grouped = Shown();
    const std::vector<std::wstring> artists = WideRows(grouped);
    CListView(grouped).Select({int(std::find(artists.begin(), artists.end(), L"東京の夜") - artists.begin())});
    BeginDrag(grouped);
    ASSERT_TRUE(target.Delivered(CF_UNICODETEXT));
    const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(target.got.hGlobal));
    EXPECT_EQ(std::wstring(text), L"<DIR name=\"東京の夜\">T:tree\\東京の夜.mp3|</DIR>");
    GlobalUnlock(target.got.hGlobal);
}
