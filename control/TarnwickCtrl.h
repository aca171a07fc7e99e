// CTarnwickCtrl: the control object. Its automation members check and convert
// their arguments and hand the work to the sound view.
#pragma once
#include "framework/ComObject.h"
#include "framework/ControlBase.h"
#include "framework/Dispatch.h"
#include "framework/Window.h"
#include "catalogue/Messages.h"
#include "views/SndView.h"
#include <string>

class CTarnwickCtrl : public fw::CControlBase, public fw::CWindow, private fw::CFontListener {
public:
    static HRESULT Create(REFIID riid, void** ppv);

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) override;
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;

    // Properties
    HRESULT GetStyle(fw::CDispCall& c);
    HRESULT PutStyle(fw::CDispCall& c);
    template <std::string CTarnwickCtrl::*Member>
    HRESULT GetString(fw::CDispCall& c)
    {
        c.ReturnStr(this->*Member);
        return S_OK;
    }
    template <SHORT CTarnwickCtrl::*Member>
    HRESULT GetShort(fw::CDispCall& c)
    {
        c.ReturnShort(this->*Member);
        return S_OK;
    }
    template <SHORT CTarnwickCtrl::*Member>
    HRESULT PutShort(fw::CDispCall& c)
    {
        this->*Member = c.Short(0);
        SetModified();
        return S_OK;
    }
    // A text property: stored, handed on to where it shows or acts, and the control marked modified.
    template <std::string CTarnwickCtrl::*Member, void (CTarnwickCtrl::*Apply)()>
    HRESULT PutString(fw::CDispCall& c)
    {
        this->*Member = c.Str(0);
        (this->*Apply)();
        SetModified();
        return S_OK;
    }
    // A name property (a path), in the code page of the names.
    template <std::string CTarnwickCtrl::*Member>
    HRESULT GetName(fw::CDispCall& c)
    {
        c.ReturnStr(this->*Member, Names());
        return S_OK;
    }
    template <std::string CTarnwickCtrl::*Member, void (CTarnwickCtrl::*Apply)()>
    HRESULT PutName(fw::CDispCall& c)
    {
        this->*Member = c.Str(0, Names());
        (this->*Apply)();
        SetModified();
        return S_OK;
    }
    // The code page of names and tags as they cross to and from automation:
    // UTF-8 with UnicodeNames, else the ANSI one. The host's labels (headers,
    // view names, menu texts, the tip) stay in the ANSI code page.
    UINT Names() const { return m_view.Catalogue().TextCode() == platform::CODE_UTF8 ? CP_UTF8 : CP_ACP; }
    void TipTextSet();
    void GenreIniFilePathSet();
    void NoFileFoundSet();
    void CacheFileSet();
    template <int Column, std::string CTarnwickCtrl::*Member>
    HRESULT PutHeader(fw::CDispCall& c)
    {
        this->*Member = c.Str(0);
        m_view.SetColumn(Column, this->*Member, 0);
        SetModified();
        return S_OK;
    }
    template <int Column, SHORT CTarnwickCtrl::*Member>
    HRESULT PutWidth(fw::CDispCall& c)
    {
        this->*Member = c.Short(0);
        m_view.SetColumnWidth(Column, this->*Member);
        SetModified();
        return S_OK;
    }
    template <BOOL CTarnwickCtrl::*Member>
    HRESULT GetBool(fw::CDispCall& c)
    {
        c.ReturnBool(this->*Member != FALSE);
        return S_OK;
    }
    HRESULT GetTipTextColor(fw::CDispCall& c);
    HRESULT PutTipTextColor(fw::CDispCall& c);
    HRESULT PutVisible(fw::CDispCall& c);
    HRESULT PutShowContextMenu(fw::CDispCall& c);
    // The two font properties: a font object of the host's is copied in, and
    // then the control's windows are told.
    template <fw::CFontHolder CTarnwickCtrl::*Font>
    HRESULT GetFontOf(fw::CDispCall& c)
    {
        fw::CComPtr<IFontDisp> font;
        font.Attach((this->*Font).Dispatch());
        c.ReturnDispatch(font.Get());
        return S_OK;
    }
    template <fw::CFontHolder CTarnwickCtrl::*Font, void (CTarnwickCtrl::*Applied)()>
    HRESULT PutFontOf(fw::CDispCall& c)
    {
        if (!c.Dispatch(0) || FAILED((this->*Font).Assign(c.Dispatch(0))))
            return DISP_E_TYPEMISMATCH;
        (this->*Applied)();
        SetModified();
        return S_OK;
    }
    void TipFontSet();
    void StockFontSet();
    HRESULT GetView(fw::CDispCall& c);
    HRESULT PutView(fw::CDispCall& c);
    HRESULT PutStrLang(fw::CDispCall& c);
    HRESULT GetIsLookupAlive(fw::CDispCall& c);
    HRESULT GetIsLookupSetupOk(fw::CDispCall& c);
    HRESULT GetExtendedTags(fw::CDispCall& c);
    HRESULT PutExtendedTags(fw::CDispCall& c);
    HRESULT GetUnicodeNames(fw::CDispCall& c);
    HRESULT PutUnicodeNames(fw::CDispCall& c);
    HRESULT GetFolderSearch(fw::CDispCall& c);
    HRESULT PutFolderSearch(fw::CDispCall& c);
    HRESULT GetWatchFolders(fw::CDispCall& c);
    HRESULT PutWatchFolders(fw::CDispCall& c);
    HRESULT GetFilterText(fw::CDispCall& c);
    HRESULT PutFilterText(fw::CDispCall& c);

    // Methods
    HRESULT BeginSearch(fw::CDispCall& c);
    HRESULT StopSearch(fw::CDispCall& c);
    HRESULT DelAllSearches(fw::CDispCall& c);
    HRESULT DeleteSearch(fw::CDispCall& c);
    HRESULT HideHelp(fw::CDispCall& c);
    HRESULT GetSelectedItems(fw::CDispCall& c);
    HRESULT AddSearch(fw::CDispCall& c);
    HRESULT SaveFile(fw::CDispCall& c);
    HRESULT LoadFile(fw::CDispCall& c);
    HRESULT Lookup(fw::CDispCall& c);
    HRESULT SetViewString(fw::CDispCall& c);
    HRESULT SetUnknString(fw::CDispCall& c);
    HRESULT SetContextMenuString(fw::CDispCall& c);
    HRESULT SetToolbarString(fw::CDispCall& c);
    HRESULT GetMusicCounts(fw::CDispCall& c);
    HRESULT GetSelectedItemsString(fw::CDispCall& c);
    HRESULT GetItemsFoundCount(fw::CDispCall& c);
    HRESULT HideItems(fw::CDispCall& c);
    HRESULT SetupCDDB(fw::CDispCall& c);
    HRESULT EnableHotKeyForVB(fw::CDispCall& c);
    HRESULT SetHideAudioLength(fw::CDispCall& c);
    HRESULT AboutBox(fw::CDispCall& c);

    CSndView& View() { return m_view; }

protected:
    void DoPropExchange(fw::CPropExchange& px) override;
    DWORD MiscStatus() const override;
    const char* UserTypeName() const override { return "Tarnwick Control"; }
    const CLSID* PropertyPage() const override;
    HWND CreateControlWindow(HWND parent, const RECT& rect) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    // The window side (TarnwickWnd.cpp).
    LRESULT OnCreate();
    bool CreateToolbar(const RECT& rect, int border);
    void Layout(int cx, int cy);
    void OnPaint();
    void OnDestroy();
    void OnViewButton();
    void ApplyStyle();
    void ApplyFont();
    void ApplyColumns();
    void SetViewButtonEnabled(bool enabled);
    void SetButtonText(UINT command, const std::string& text);
    int ToolbarHeight() const;
    void GreetTrace();
    LRESULT OnAddingFile(AddingFileRecord* record);
    bool OnViewMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    LRESULT OnSearchProgress(ProgressRecord* record);
    LRESULT OnEndSearch(CountsRecord* counts, bool hasRows);
    LRESULT OnCatalogueChanged(const ChangeCounts* counts);
    LRESULT OnLookupProgress(ProgressRecord* record);
    LRESULT OnLookupError(LONG code, BOOL* retry);

    // The keyboard (TarnwickKeys.cpp).
    int BuildAccelerators();
    bool OnHotKey(const MSG* msg);
    void RefreshHotKeys();

    CTarnwickCtrl();
    ~CTarnwickCtrl() override;
    void SetLifetimeOwners(IUnknown* owner);

    // Reads a string-array argument into converted strings (null elements stay null).
    // 0 when read, 1001 or 1002 for the wrong kind, -1 when bounds or data cannot be had.
    int ReadPatterns(fw::CDispCall& c, int arg, std::vector<std::string>& texts, std::vector<bool>& nulls);
    // The patterns folded into an extension list: "|MP3|WAV".
    std::string ExtensionList(const std::vector<std::string>& texts) const;
    HRESULT RaisePatternError(fw::CDispCall& c, int error);
    void FireItemsSelected(LONG files, LONG items);
    void ChangeView(LONG view);
    // The fonts the host changed in place; the container's font while the stock font follows it.
    void OnFontChanged(fw::CFontHolder& font, DISPID property) override;
    bool TakeAmbientFont();

    bool m_bAmbientFont = false; // the stock font follows the container's until the host sets its own
    IUnknown* m_pTrace = nullptr;
    HWND m_hToolbar = nullptr;
    HACCEL m_hAccel = nullptr;
    CSndView m_view;

public:
    // The property state (the dispatch table's templates reach these).
    fw::CFontHolder m_fontTipText;
    fw::CFontHolder m_fontStock;
    std::string m_strCacheFile;
    LONG m_lStyle = 2;
    std::string m_strColNameHeader = "~~~NAME";
    std::string m_strColTimeHeader = "~~~TIME";
    std::string m_strColTypeHeader = "~~~Type";
    std::string m_strColSourceHeader = "~~~PATH";
    SHORT m_nColNameWidth = 0;
    SHORT m_nColTimeWidth = 0;
    SHORT m_nColTypeWidth = 0;
    SHORT m_nColSourceWidth = 0;
    std::string m_strTipText;
    OLE_COLOR m_clrTipTextColor;
    std::string m_strGenreIniFilePath;
    BOOL m_bVisible = TRUE;
    BOOL m_bShowContextMenu = TRUE;
    std::string m_strNoFileFound;
    SHORT m_nBorderStyle = 0;
    bool m_bHotKeys = false;
    std::string m_strToolbarNames[2] = {"~~~VIEW", "~~~SCAN"};
};
