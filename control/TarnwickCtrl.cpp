#include "TarnwickCtrl.h"
#include "Resource.h"
#include "Tarnwick_h.h"
#include "TarnwickDispIds.h"
#include "TarnwickIds.h"
#include "catalogue/CacheFile.h"
#include "platform/PlatformText.h"
#include <algorithm>
#include <new>

using fw::CDispCall;
using fw::DISP_METHOD;
using fw::DISP_PROPERTY;
using C = CTarnwickCtrl;

namespace {

const fw::DispEntry<C> kDispatch[] = {
    {DISPID_TW_STYLE, L"Style", DISP_PROPERTY, VT_I4, &C::GetStyle, &C::PutStyle, {}, 0},
    {DISPID_TW_COLNAMEHEADER, L"ColNameHeader", DISP_PROPERTY, VT_BSTR, &C::GetString<&C::m_strColNameHeader>,
     &C::PutHeader<0, &C::m_strColNameHeader>, {}, 0},
    {DISPID_TW_COLTIMEHEADER, L"ColTimeHeader", DISP_PROPERTY, VT_BSTR, &C::GetString<&C::m_strColTimeHeader>,
     &C::PutHeader<1, &C::m_strColTimeHeader>, {}, 0},
    {DISPID_TW_COLTYPEHEADER, L"ColTypeHeader", DISP_PROPERTY, VT_BSTR, &C::GetString<&C::m_strColTypeHeader>,
     &C::PutHeader<2, &C::m_strColTypeHeader>, {}, 0},
    {DISPID_TW_COLSOURCEHEADER, L"ColSourceHeader", DISP_PROPERTY, VT_BSTR, &C::GetString<&C::m_strColSourceHeader>,
     &C::PutHeader<3, &C::m_strColSourceHeader>, {}, 0},
    {DISPID_TW_COLNAMEWIDTH, L"ColNameWidth", DISP_PROPERTY, VT_I2, &C::GetShort<&C::m_nColNameWidth>,
     &C::PutWidth<0, &C::m_nColNameWidth>, {}, 0},
    {DISPID_TW_COLTIMEWIDTH, L"ColTimeWidth", DISP_PROPERTY, VT_I2, &C::GetShort<&C::m_nColTimeWidth>,
     &C::PutWidth<1, &C::m_nColTimeWidth>, {}, 0},
    {DISPID_TW_COLTYPEWIDTH, L"ColTypeWidth", DISP_PROPERTY, VT_I2, &C::GetShort<&C::m_nColTypeWidth>,
     &C::PutWidth<2, &C::m_nColTypeWidth>, {}, 0},
    {DISPID_TW_COLSOURCEWIDTH, L"ColSourceWidth", DISP_PROPERTY, VT_I2, &C::GetShort<&C::m_nColSourceWidth>,
     &C::PutWidth<3, &C::m_nColSourceWidth>, {}, 0},
    {DISPID_TW_TIPTEXT, L"TipText", DISP_PROPERTY, VT_BSTR, &C::GetString<&C::m_strTipText>,
     &C::PutString<&C::m_strTipText, &C::TipTextSet>, {}, 0},
    {DISPID_TW_TIPTEXTCOLOR, L"TipTextColor", DISP_PROPERTY, VT_I4, &C::GetTipTextColor, &C::PutTipTextColor, {}, 0},
    {DISPID_TW_GENREINIFILEPATH, L"GenreIniFilePath", DISP_PROPERTY, VT_BSTR, &C::GetName<&C::m_strGenreIniFilePath>,
     &C::PutName<&C::m_strGenreIniFilePath, &C::GenreIniFilePathSet>, {}, 0},
    {DISPID_TW_VISIBLE, L"Visible", DISP_PROPERTY, VT_BOOL, &C::GetBool<&C::m_bVisible>, &C::PutVisible, {}, 0},
    {DISPID_TW_SHOWCONTEXTMENU, L"ShowContextMenu", DISP_PROPERTY, VT_BOOL, &C::GetBool<&C::m_bShowContextMenu>,
     &C::PutShowContextMenu, {}, 0},
    {DISPID_TW_STRNOFILEFOUND, L"StrNoFileFound", DISP_PROPERTY, VT_BSTR, &C::GetString<&C::m_strNoFileFound>,
     &C::PutString<&C::m_strNoFileFound, &C::NoFileFoundSet>, {}, 0},
    {DISPID_TW_CACHEFILE, L"CacheFile", DISP_PROPERTY, VT_BSTR, &C::GetName<&C::m_strCacheFile>,
     &C::PutName<&C::m_strCacheFile, &C::CacheFileSet>, {}, 0},
    {DISPID_TW_TIPTEXTFONT, L"TipTextFont", DISP_PROPERTY, VT_DISPATCH, &C::GetFontOf<&C::m_fontTipText>,
     &C::PutFontOf<&C::m_fontTipText, &C::TipFontSet>, {}, 0},
    {DISPID_TW_VIEW, L"View", DISP_PROPERTY, VT_I4, &C::GetView, &C::PutView, {}, 0},
    {DISPID_TW_STRLANG, L"StrLang", DISP_PROPERTY, VT_BSTR, nullptr, &C::PutStrLang, {}, 0},
    {DISPID_TW_ISLOOKUPALIVE, L"IsLookupAlive", DISP_PROPERTY, VT_BOOL, &C::GetIsLookupAlive, nullptr, {}, 0},
    {DISPID_TW_ISLOOKUPSETUPOK, L"IsLookupSetupOk", DISP_PROPERTY, VT_BOOL, &C::GetIsLookupSetupOk, nullptr, {}, 0},
    {DISPID_TW_BEGINSEARCH, L"BeginSearch", DISP_METHOD, VT_EMPTY, &C::BeginSearch, nullptr, {}, 0},
    {DISPID_TW_STOPSEARCH, L"StopSearch", DISP_METHOD, VT_EMPTY, &C::StopSearch, nullptr, {}, 0},
    {DISPID_TW_DELALLSEARCHES, L"DelAllSearches", DISP_METHOD, VT_EMPTY, &C::DelAllSearches, nullptr, {}, 0},
    {DISPID_TW_DELETESEARCH, L"DeleteSearch", DISP_METHOD, VT_EMPTY, &C::DeleteSearch, nullptr, {VT_BSTR}, 1},
    {DISPID_TW_HIDEHELP, L"HideHelp", DISP_METHOD, VT_EMPTY, &C::HideHelp, nullptr, {}, 0},
    {DISPID_TW_GETSELECTEDITEMS, L"GetSelectedItems", DISP_METHOD, VT_EMPTY, &C::GetSelectedItems, nullptr,
     {VT_BYREF | VT_I2}, 1},
    {DISPID_TW_ADDSEARCH, L"AddSearch", DISP_METHOD, VT_EMPTY, &C::AddSearch, nullptr, {VT_BSTR, VT_VARIANT, VT_I2}, 3},
    {DISPID_TW_SAVEFILE, L"SaveFile", DISP_METHOD, VT_EMPTY, &C::SaveFile, nullptr, {VT_BSTR}, 1},
    {DISPID_TW_LOADFILE, L"LoadFile", DISP_METHOD, VT_EMPTY, &C::LoadFile, nullptr, {VT_BSTR}, 1},
    {DISPID_TW_LOOKUP, L"Lookup", DISP_METHOD, VT_EMPTY, &C::Lookup, nullptr, {}, 0},
    {DISPID_TW_SETVIEWSTRING, L"SetViewString", DISP_METHOD, VT_EMPTY, &C::SetViewString, nullptr, {VT_I2, VT_BSTR}, 2},
    {DISPID_TW_SETUNKNSTRING, L"SetUnknString", DISP_METHOD, VT_EMPTY, &C::SetUnknString, nullptr, {VT_I2, VT_BSTR}, 2},
    {DISPID_TW_SETCONTEXTMENUSTRING, L"SetContextMenuString", DISP_METHOD, VT_EMPTY, &C::SetContextMenuString, nullptr,
     {VT_I2, VT_BSTR}, 2},
    {DISPID_TW_SETTOOLBARSTRING, L"SetToolbarString", DISP_METHOD, VT_EMPTY, &C::SetToolbarString, nullptr,
     {VT_I2, VT_BSTR}, 2},
    {DISPID_TW_GETMUSICCOUNTS, L"GetMusicCounts", DISP_METHOD, VT_EMPTY, &C::GetMusicCounts, nullptr,
     {VT_BYREF | VT_I4, VT_BYREF | VT_I4, VT_BYREF | VT_I4}, 3},
    {DISPID_TW_GETSELECTEDITEMSSTRING, L"GetSelectedItemsString", DISP_METHOD, VT_EMPTY, &C::GetSelectedItemsString,
     nullptr, {VT_BYREF | VT_BSTR}, 1},
    {DISPID_TW_GETITEMSFOUNDCOUNT, L"GetItemsFoundCount", DISP_METHOD, VT_EMPTY, &C::GetItemsFoundCount, nullptr,
     {VT_VARIANT}, 1},
    {DISPID_TW_HIDEITEMS, L"HideItems", DISP_METHOD, VT_EMPTY, &C::HideItems, nullptr, {VT_VARIANT}, 1},
    {DISPID_TW_SETUPCDDB, L"SetupCDDB", DISP_METHOD, VT_EMPTY, &C::SetupCDDB, nullptr, {VT_BSTR, VT_BSTR, VT_BSTR}, 3},
    {DISPID_TW_ENABLEHOTKEYFORVB, L"EnableHotKeyForVB", DISP_METHOD, VT_EMPTY, &C::EnableHotKeyForVB, nullptr, {}, 0},
    {DISPID_TW_SETHIDEAUDIOLENGTH, L"SetHideAudioLength", DISP_METHOD, VT_EMPTY, &C::SetHideAudioLength, nullptr,
     {VT_I4}, 1},
    {DISPID_TW_FONT, L"Font", DISP_PROPERTY, VT_DISPATCH, &C::GetFontOf<&C::m_fontStock>,
     &C::PutFontOf<&C::m_fontStock, &C::StockFontSet>, {}, 0},
    {DISPID_TW_BORDERSTYLE, L"BorderStyle", DISP_PROPERTY, VT_I2, &C::GetShort<&C::m_nBorderStyle>,
     &C::PutShort<&C::m_nBorderStyle>, {}, 0},
    {DISPID_TW_ABOUTBOX, L"AboutBox", DISP_METHOD, VT_EMPTY, &C::AboutBox, nullptr, {}, 0},
    {DISPID_TW_EXTENDEDTAGS, L"ExtendedTags", DISP_PROPERTY, VT_BOOL, &C::GetExtendedTags, &C::PutExtendedTags, {}, 0},
    {DISPID_TW_UNICODENAMES, L"UnicodeNames", DISP_PROPERTY, VT_BOOL, &C::GetUnicodeNames, &C::PutUnicodeNames, {}, 0},
    {DISPID_TW_FOLDERSEARCH, L"FolderSearch", DISP_PROPERTY, VT_BOOL, &C::GetFolderSearch, &C::PutFolderSearch, {}, 0},
    {DISPID_TW_WATCHFOLDERS, L"WatchFolders", DISP_PROPERTY, VT_BOOL, &C::GetWatchFolders, &C::PutWatchFolders, {}, 0},
    {DISPID_TW_FILTERTEXT, L"FilterText", DISP_PROPERTY, VT_BSTR, &C::GetFilterText, &C::PutFilterText, {}, 0},
};

const fw::CDispatchTable<C> kTable(kDispatch, int(sizeof kDispatch / sizeof kDispatch[0]));


FONTDESC FontDesc(const wchar_t* name, LONGLONG points)
{
    FONTDESC d = {};
    d.cbSizeofstruct = sizeof(FONTDESC);
    d.lpstrName = const_cast<LPOLESTR>(name);
    d.cySize.int64 = points * 10000;
    d.sWeight = FW_NORMAL;
    d.sCharset = DEFAULT_CHARSET;
    return d;
}

} // namespace

CTarnwickCtrl::CTarnwickCtrl()
    : CControlBase(CLSID_Tarnwick, DIID__DTarnwick, DIID__DTarnwickEvents, LIBID_TarnwickLib),
      m_fontTipText(this), m_fontStock(this), m_clrTipTextColor(0x80000000 | COLOR_INFOTEXT)
{
    m_fontTipText.Init(FontDesc(L"MS Sans Serif", 12));
    m_fontStock.Init(FontDesc(L"MS Sans Serif", 8));
    // The trace component is optional: without it the control works the same.
    CoCreateInstance(CLSID_TarnwickTrace, nullptr, CLSCTX_INPROC_SERVER, IID_ITarnwickTrace,
                     reinterpret_cast<void**>(&m_pTrace));
}

void CTarnwickCtrl::SetLifetimeOwners(IUnknown* owner)
{
    SetLifetimeOwner(owner);
    m_view.SetLifetimeOwner(owner);
    m_view.FileList().SetLifetimeOwner(owner);
}

CTarnwickCtrl::~CTarnwickCtrl()
{
    SetLifetimeOwners(nullptr); // nothing may hold a control that is going
    if (Handle())
        DestroyWindow(Handle()); // a container that never deactivated us
    if (m_hAccel) // made for a container that asked with no window there
        DestroyAcceleratorTable(m_hAccel);
    if (m_pTrace)
        m_pTrace->Release();
}

HRESULT CTarnwickCtrl::Create(REFIID riid, void** ppv)
{
    CTarnwickCtrl* ctrl = new (std::nothrow) CTarnwickCtrl;
    if (!ctrl)
        return E_OUTOFMEMORY;
    HRESULT hr = ctrl->QueryInterface(riid, ppv);
    ctrl->Release();
    return hr;
}

STDMETHODIMP CTarnwickCtrl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    return kTable.GetIDsOfNames(names, count, ids);
}

STDMETHODIMP CTarnwickCtrl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT* argErr)
{
    AddRef(); // a member may raise an event in which the host lets us go
    HRESULT hr = kTable.Invoke(this, id, flags, params, result, excep, argErr);
    Release();
    return hr;
}

DWORD CTarnwickCtrl::MiscStatus() const { return kTarnwickMiscStatus; }
const CLSID* CTarnwickCtrl::PropertyPage() const { return &CLSID_TarnwickPropPage; }

void CTarnwickCtrl::DoPropExchange(fw::CPropExchange& px)
{
    DWORD version = 0x00010000;
    px.Version(version, 0x00010000);
    px.Font(L"ToolTipFont", m_fontTipText, FontDesc(L"MS Sans Serif", 12));
    LONG color = LONG(m_clrTipTextColor);
    px.Long(L"ToolTipColor", color, LONG(GetSysColor(COLOR_INFOTEXT)));
    m_clrTipTextColor = OLE_COLOR(color);
    px.Long(L"Style", m_lStyle, 1);
    px.Bool(L"Visible", m_bVisible, TRUE);
    px.Bool(L"ShowContextMenu", m_bShowContextMenu, TRUE);
    px.Font(L"Font", m_fontStock, FontDesc(L"MS Sans Serif", 8));
    px.Short(L"BorderStyle", m_nBorderStyle, 0);
    // A new control takes the container's font when it offers one, and follows it until
    // the host sets its own; a loaded control keeps the font it saved.
    if (px.IsLoading()) {
        m_bAmbientFont = px.GetMode() == fw::CPropExchange::INIT;
        if (m_bAmbientFont)
            TakeAmbientFont();
    }
}

// The container's font as the stock font (a copy); false when it offers none.
bool CTarnwickCtrl::TakeAmbientFont()
{
    VARIANT font;
    bool taken = SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_FONT, &font)) &&
                 (font.vt == VT_DISPATCH || font.vt == VT_UNKNOWN) && font.punkVal &&
                 SUCCEEDED(m_fontStock.Assign(font.punkVal));
    VariantClear(&font);
    return taken;
}

// A container that loads or initialises before it sets the site is asked now.
STDMETHODIMP CTarnwickCtrl::SetClientSite(IOleClientSite* site)
{
    HRESULT hr = CControlBase::SetClientSite(site);
    if (site && m_bAmbientFont && TakeAmbientFont())
        ApplyFont();
    return hr;
}

STDMETHODIMP CTarnwickCtrl::OnAmbientPropertyChange(DISPID id)
{
    if ((id == DISPID_AMBIENT_FONT || id == DISPID_UNKNOWN) && m_bAmbientFont && TakeAmbientFont())
        ApplyFont();
    return S_OK;
}

// The host changed a font object it got from us: show it and have the container save it.
void CTarnwickCtrl::OnFontChanged(fw::CFontHolder& font, DISPID)
{
    if (&font == &m_fontStock) {
        m_bAmbientFont = false;
        ApplyFont();
    } else {
        m_view.SetTipText(std::string(), m_fontTipText.Handle());
    }
    SetModified();
}


void CTarnwickCtrl::FireItemsSelected(LONG files, LONG items)
{
    fw::CEventArgs args;
    args.Long(files).Long(items);
    FireEvent(DISPID_TW_EVENT_ITEMSSELECTED, args);
}

// --- Properties

HRESULT CTarnwickCtrl::GetStyle(CDispCall& c)
{
    c.ReturnLong(m_lStyle);
    return S_OK;
}

HRESULT CTarnwickCtrl::PutStyle(CDispCall& c)
{
    m_lStyle = c.Long(0);
    ApplyStyle();
    SetModified();
    return S_OK;
}

HRESULT CTarnwickCtrl::GetTipTextColor(CDispCall& c)
{
    c.ReturnColor(m_clrTipTextColor);
    return S_OK;
}

HRESULT CTarnwickCtrl::PutTipTextColor(CDispCall& c)
{
    m_clrTipTextColor = OLE_COLOR(c.Long(0));
    m_view.SetTipTextColor(fw::TranslateColor(m_clrTipTextColor));
    SetModified();
    return S_OK;
}

void CTarnwickCtrl::TipTextSet() { m_view.SetTipText(m_strTipText, nullptr); }

void CTarnwickCtrl::GenreIniFilePathSet() { m_view.Catalogue().SetGenreIniPath(m_strGenreIniFilePath.c_str()); }

HRESULT CTarnwickCtrl::PutVisible(CDispCall& c)
{
    m_bVisible = c.Bool(0);
    if (Window())
        ShowWindow(Window(), m_bVisible ? SW_SHOW : SW_HIDE);
    SetModified();
    return S_OK;
}

HRESULT CTarnwickCtrl::PutShowContextMenu(CDispCall& c)
{
    m_bShowContextMenu = c.Bool(0);
    m_view.EnableContextMenu(m_bShowContextMenu != FALSE); // the grouped list's menu only
    SetModified();
    return S_OK;
}

void CTarnwickCtrl::NoFileFoundSet() { m_view.SetNoFileFoundText(m_strNoFileFound); }

void CTarnwickCtrl::CacheFileSet()
{
    if (!m_view.IsLookupRunning()) // the look-up walks the file index
        ::LoadFile(m_view.Catalogue(), m_strCacheFile.c_str());
}

void CTarnwickCtrl::TipFontSet() { m_view.SetTipText(std::string(), m_fontTipText.Handle()); }

void CTarnwickCtrl::StockFontSet()
{
    m_bAmbientFont = false;
    ApplyFont();
}

HRESULT CTarnwickCtrl::GetView(CDispCall& c)
{
    c.ReturnLong(m_view.GetView());
    return S_OK;
}

HRESULT CTarnwickCtrl::PutView(CDispCall& c)
{
    ChangeView(c.Long(0));
    return S_OK;
}

// Writing View: the view switches, the focus moves to the list it shows and
// the host hears of that list's selection.
void CTarnwickCtrl::ChangeView(LONG view)
{
    m_view.SetView(view);
    if (m_view.ShownList().Handle())
        SetFocus(m_view.ShownList().Handle());
    int files = 0, items = 0;
    m_view.CountSelected(files, items);
    FireItemsSelected(files, items);
    SetModified();
    if (Handle()) {
        if (m_hToolbar)
            InvalidateRect(m_hToolbar, nullptr, TRUE);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

HRESULT CTarnwickCtrl::PutStrLang(CDispCall& c)
{
    m_view.Catalogue().Genres().SetSection(c.Str(0, Names()).c_str());
    SetModified();
    return S_OK;
}

HRESULT CTarnwickCtrl::GetIsLookupAlive(CDispCall& c)
{
    c.ReturnBool(m_view.PingLookup());
    return S_OK;
}

// Not saved with the properties: a run-time choice of the host.
HRESULT CTarnwickCtrl::GetExtendedTags(CDispCall& c)
{
    c.ReturnBool(m_view.Catalogue().ExtendedTags());
    return S_OK;
}

HRESULT CTarnwickCtrl::PutExtendedTags(CDispCall& c)
{
    m_view.Catalogue().SetExtendedTags(c.Bool(0) != FALSE);
    return S_OK;
}

// Not saved either. Every name the control holds changes code with it: the
// records, the requests, the cache and genre files' paths.
HRESULT CTarnwickCtrl::GetUnicodeNames(CDispCall& c)
{
    c.ReturnBool(m_view.Catalogue().TextCode() == platform::CODE_UTF8);
    return S_OK;
}

HRESULT CTarnwickCtrl::PutUnicodeNames(CDispCall& c)
{
    const platform::TextCode from = m_view.Catalogue().TextCode();
    const platform::TextCode code = c.Bool(0) ? platform::CODE_UTF8 : platform::CODE_ANSI;
    if (code == from)
        return S_OK;
    if (m_view.Requests().State() == SEARCH_RUNNING || m_view.IsLookupRunning())
        return c.Raise(1003, "UnicodeNames cannot change while a search or a look-up runs");
    std::string cacheFile, genreFile;
    if (!platform::Recode(m_strCacheFile, from, code, cacheFile) ||
        !platform::Recode(m_strGenreIniFilePath, from, code, genreFile) || !m_view.SetTextCode(code))
        return c.Raise(1004, "A name the control holds has no place in the ANSI code page");
    m_strCacheFile = cacheFile;
    m_strGenreIniFilePath = genreFile;
    SetViewButtonEnabled(m_view.IsViewEnabled());
    if (Handle()) { // the lists were filled anew: nothing is selected now
        int files = 0, items = 0;
        m_view.CountSelected(files, items);
        FireItemsSelected(files, items);
    }
    return S_OK;
}

// Not saved either. It decides how AddSearch reads the texts it is given from
// now on; the requests already made keep their keys.
HRESULT CTarnwickCtrl::GetFolderSearch(CDispCall& c)
{
    c.ReturnBool(m_view.Requests().FolderKeys());
    return S_OK;
}

HRESULT CTarnwickCtrl::PutFolderSearch(CDispCall& c)
{
    m_view.Requests().SetFolderKeys(c.Bool(0) != FALSE);
    return S_OK;
}

// Not saved either: the watch starts with the window, or at once when it exists.
HRESULT CTarnwickCtrl::GetWatchFolders(CDispCall& c)
{
    c.ReturnBool(m_view.WatchFolders());
    return S_OK;
}

HRESULT CTarnwickCtrl::PutWatchFolders(CDispCall& c)
{
    m_view.SetWatchFolders(c.Bool(0) != FALSE);
    return S_OK;
}

// Run time only, never saved. A word with a character the names' code has no
// place for is one that no record holds.
HRESULT CTarnwickCtrl::GetFilterText(CDispCall& c)
{
    c.ReturnStr(m_view.FilterText(), Names());
    return S_OK;
}

HRESULT CTarnwickCtrl::PutFilterText(CDispCall& c)
{
    BSTR text = c.Bstr(0);
    const int length = text ? int(SysStringLen(text)) : 0;
    BOOL lossy = FALSE;
    if (Names() == CP_ACP && length > 0)
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &lossy);
    m_view.SetFilterText(c.Str(0, Names()), lossy != FALSE);
    return S_OK;
}

HRESULT CTarnwickCtrl::GetIsLookupSetupOk(CDispCall& c)
{
    c.ReturnBool(m_view.IsLookupSetupOk());
    return S_OK;
}

// --- Methods

// Before the control has its window nothing starts: a worker needs a window to report to.
HRESULT CTarnwickCtrl::BeginSearch(CDispCall&)
{
    m_view.BeginSearch();
    return S_OK;
}

HRESULT CTarnwickCtrl::StopSearch(CDispCall&)
{
    m_view.StopSearch();
    return S_OK;
}

HRESULT CTarnwickCtrl::DelAllSearches(CDispCall& c)
{
    c.ReturnBool(m_view.Requests().DelAllSearches());
    m_view.WatchRootsChanged();
    return S_OK;
}

HRESULT CTarnwickCtrl::DeleteSearch(CDispCall& c)
{
    c.ReturnBool(m_view.Requests().DeleteSearch(c.Str(0, Names()).c_str()));
    m_view.WatchRootsChanged();
    return S_OK;
}

HRESULT CTarnwickCtrl::HideHelp(CDispCall&)
{
    m_view.HideHelp();
    return S_OK;
}

// The paths of the selected files as a zero-based string array; an empty
// VARIANT and a count of 0 when none is selected or the array cannot be made.
// Each selected item's row is read once (one list message) and its path
// converted from the row itself, with no copy in between.
HRESULT CTarnwickCtrl::GetSelectedItems(CDispCall& c)
{
    *c.RefShort(0) = 0;
    const CSndListCtrl& list = m_view.ShownList();
    std::vector<int> items = list.SelectedItems();
    std::vector<const ListRow*> rows;
    rows.reserve(items.size());
    for (int item : items) {
        const ListRow* row = list.RowAt(item);
        if (row && row->nKind == RowFile)
            rows.push_back(row);
    }
    // The rows and their paths lie all over the heap: each is fetched a few
    // rows ahead of its conversion, so the waits for memory overlap.
    const size_t kAhead = 8;
    for (size_t i = 0; i < rows.size() && i < 2 * kAhead; ++i)
        __builtin_prefetch(rows[i]);
    std::vector<BSTR> paths;
    paths.reserve(rows.size());
    std::vector<wchar_t> wide;
    bool stored = true;
    for (size_t i = 0; i < rows.size() && stored; ++i) {
        if (i + 2 * kAhead < rows.size())
            __builtin_prefetch(rows[i + 2 * kAhead]);
        if (i + kAhead < rows.size())
            __builtin_prefetch(rows[i + kAhead]->strKey.c_str());
        const std::string_view path = rows[i]->strKey.view();
        BSTR text;
        if (platform::IsAscii(path)) { // the same characters in every code: widened in place
            text = SysAllocStringLen(nullptr, UINT(path.size()));
            if (text)
                std::copy(path.begin(), path.end(), text);
        } else {
            if (wide.size() < path.size() + 1) // a path has at most as many characters as bytes
                wide.resize(path.size() + 1);
            int n = MultiByteToWideChar(Names(), 0, path.data(), int(path.size()), wide.data(), int(wide.size()));
            text = SysAllocStringLen(wide.data(), UINT(n));
        }
        stored = text != nullptr;
        if (text)
            paths.push_back(text);
    }
    SAFEARRAY* array = stored && !paths.empty() ? SafeArrayCreateVector(VT_BSTR, 0, ULONG(paths.size())) : nullptr;
    BSTR* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) {
        if (array)
            SafeArrayDestroy(array);
        for (BSTR text : paths)
            SysFreeString(text);
        return S_OK;
    }
    std::copy(paths.begin(), paths.end(), data); // the array owns them now
    SafeArrayUnaccessData(array);
    VARIANT result;
    result.vt = VT_ARRAY | VT_BSTR;
    result.parray = array;
    c.ReturnVariant(result);
    // The count is a short: beyond its range it says 32767 and the array holds them all.
    *c.RefShort(0) = SHORT(std::min<size_t>(paths.size(), 32767));
    return S_OK;
}

int CTarnwickCtrl::ReadPatterns(CDispCall& c, int arg, std::vector<std::string>& texts, std::vector<bool>& nulls)
{
    const VARIANT& v = c.Variant(arg);
    if (v.vt != (VT_ARRAY | VT_BSTR))
        return 1001;
    SAFEARRAY* array = v.parray;
    if (!array || SafeArrayGetDim(array) != 1)
        return 1002;
    LONG lower = 0, upper = -1;
    BSTR* data = nullptr;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)) ||
        FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data))))
        return -1;
    for (LONG k = 0; k <= upper - lower; ++k) {
        texts.push_back(data[k] ? fw::ToText(data[k], int(SysStringLen(data[k])), Names()) : std::string());
        nulls.push_back(data[k] == nullptr);
    }
    SafeArrayUnaccessData(array);
    return 0;
}

std::string CTarnwickCtrl::ExtensionList(const std::vector<std::string>& texts) const
{
    std::string list;
    for (std::string text : texts) {
        std::string bare;
        for (char ch : text)
            if (ch != '.' && ch != '*')
                bare += ch;
        platform::Upper(&bare[0], m_view.Catalogue().TextCode());
        list += "|" + bare;
    }
    return list;
}

HRESULT CTarnwickCtrl::RaisePatternError(CDispCall& c, int error)
{
    return error == 1001 ? c.Raise(1001, "Type Mismatch in Parameter. Pass a string array by reference")
                         : c.Raise(1002, "Type Mismatch in Parameter. Pass a one-dimensional array");
}

HRESULT CTarnwickCtrl::AddSearch(CDispCall& c)
{
    std::vector<std::string> texts;
    std::vector<bool> nulls;
    int read = ReadPatterns(c, 1, texts, nulls);
    if (read > 0)
        return RaisePatternError(c, read);
    if (read < 0) {
        c.ReturnBool(false);
        return S_OK;
    }
    std::vector<const char*> patterns;
    for (size_t i = 0; i < texts.size(); ++i)
        patterns.push_back(nulls[i] ? nullptr : texts[i].c_str());
    // The table reads no more strings than the array holds.
    int count = std::min<int>(c.Short(2), int(patterns.size()));
    m_view.Requests().AddSearch(c.Str(0, Names()).c_str(), patterns.data(), count,
                                m_view.Catalogue().TextCode());
    m_view.WatchRootsChanged();
    c.ReturnBool(true);
    return S_OK;
}

HRESULT CTarnwickCtrl::SaveFile(CDispCall& c)
{
    c.ReturnLong(::SaveFile(m_view.Catalogue(), c.Str(0, Names()).c_str()));
    return S_OK;
}

HRESULT CTarnwickCtrl::LoadFile(CDispCall& c)
{
    if (m_view.IsLookupRunning()) { // the look-up walks the file index: "in use"
        c.ReturnLong(ERROR_SHARING_VIOLATION);
        return S_OK;
    }
    int32_t result = ::LoadFile(m_view.Catalogue(), c.Str(0, Names()).c_str());
    if (result == 0)
        SetViewButtonEnabled(m_view.IsViewEnabled());
    c.ReturnLong(result);
    return S_OK;
}

HRESULT CTarnwickCtrl::Lookup(CDispCall& c)
{
    c.ReturnBool(m_view.RunLookup());
    return S_OK;
}

// ViewConstants 1..5 index the view names; the directory view has none.
static int ViewIndexOf(SHORT viewType)
{
    switch (viewType) {
    case 1: return 1; // artist
    case 2: return 2; // album
    case 3: return 3; // genre
    case 5: return 0; // all files
    default: return -1;
    }
}

HRESULT CTarnwickCtrl::SetViewString(CDispCall& c)
{
    int index = ViewIndexOf(c.Short(0));
    if (index >= 0)
        m_view.SetViewString(ID_VIEW_FILES + index, c.Str(1));
    return S_OK;
}

HRESULT CTarnwickCtrl::SetUnknString(CDispCall& c)
{
    int index = ViewIndexOf(c.Short(0));
    if (index >= 0)
        m_view.SetUnknString(ID_VIEW_FILES + index, c.Str(1));
    return S_OK;
}

HRESULT CTarnwickCtrl::SetContextMenuString(CDispCall& c)
{
    m_view.SetContextMenuString(c.Short(0), c.Str(1));
    return S_OK;
}

HRESULT CTarnwickCtrl::SetToolbarString(CDispCall& c)
{
    SHORT button = c.Short(0);
    if (button == 1 || button == 2) {
        m_strToolbarNames[button - 1] = c.Str(1);
        SetButtonText(button == 1 ? ID_VIEW_BUTTON : ID_SCAN_BUTTON, m_strToolbarNames[button - 1]);
    }
    RefreshHotKeys();
    return S_OK;
}

HRESULT CTarnwickCtrl::GetMusicCounts(CDispCall& c)
{
    int32_t tagged, mp3, total;
    m_view.Catalogue().GetMusicCounts(&tagged, &mp3, &total);
    *c.RefLong(0) = tagged;
    *c.RefLong(1) = mp3;
    *c.RefLong(2) = total;
    return S_OK;
}

// strItems is left as the host gave it when the view answers FALSE.
HRESULT CTarnwickCtrl::GetSelectedItemsString(CDispCall& c)
{
    std::string text;
    bool ok = m_view.GetSelectedItemsString(text);
    if (ok) {
        BSTR* items = c.RefBstr(0);
        SysFreeString(*items);
        *items = fw::ToBstr(text, Names());
    }
    c.ReturnBool(ok);
    return S_OK;
}

HRESULT CTarnwickCtrl::GetItemsFoundCount(CDispCall& c)
{
    std::vector<std::string> texts;
    std::vector<bool> nulls;
    int read = ReadPatterns(c, 0, texts, nulls);
    if (read > 0)
        return RaisePatternError(c, read);
    c.ReturnLong(read < 0 ? 0 : m_view.GetItemsFoundCount(ExtensionList(texts)));
    return S_OK;
}

HRESULT CTarnwickCtrl::HideItems(CDispCall& c)
{
    std::vector<std::string> texts;
    std::vector<bool> nulls;
    int read = ReadPatterns(c, 0, texts, nulls);
    if (read > 0)
        return RaisePatternError(c, read);
    if (read == 0)
        m_view.HideItems(ExtensionList(texts));
    return S_OK;
}

// A component that needs a registered user has the host name one in GetUserInfo.
HRESULT CTarnwickCtrl::SetupCDDB(CDispCall& c)
{
    int32_t code = m_view.SetupLookup(c.Str(0), c.Str(1), c.Str(2));
    if (code != 1) {
        c.ReturnBool(code >= 0);
        return S_OK;
    }
    BSTR user = SysAllocString(L"");
    BSTR password = SysAllocString(L"");
    fw::CEventArgs args;
    args.RefBstr(&user).RefBstr(&password);
    FireEvent(DISPID_TW_EVENT_GETUSERINFO, args);
    std::string userText = fw::ToText(user, int(SysStringLen(user)));
    std::string passwordText = fw::ToText(password, int(SysStringLen(password)));
    SysFreeString(user);
    SysFreeString(password);
    c.ReturnBool(m_view.SetLookupUser(userText, passwordText));
    return S_OK;
}

HRESULT CTarnwickCtrl::EnableHotKeyForVB(CDispCall&)
{
    m_bHotKeys = true;
    if (Handle())
        BuildAccelerators(); // for containers that never ask for the keyboard information
    return S_OK;
}

HRESULT CTarnwickCtrl::SetHideAudioLength(CDispCall& c)
{
    m_view.SetHideAudioLength(c.Long(0));
    return S_OK;
}

static INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

HRESULT CTarnwickCtrl::AboutBox(CDispCall&)
{
    DialogBoxParamA(fw::ModuleInstance(), MAKEINTRESOURCEA(IDD_ABOUTBOX_TARNWICK), nullptr, AboutProc, 0);
    return S_OK;
}
