#include "PlaylistPane.h"
#include "ControlClient.h"
#include <shellapi.h>
#include <cstdio>

namespace {

FORMATETC Format(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool Offers(IDataObject* data, CLIPFORMAT format)
{
    FORMATETC fe = Format(format);
    return data && data->QueryGetData(&fe) == S_OK;
}

// The pane's text is UTF-8.
std::string Utf8(const std::wstring& text) { return Narrow(text.c_str(), CP_UTF8); }

std::vector<std::string> DroppedFiles(HDROP drop)
{
    std::vector<std::string> paths;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        DragQueryFileW(drop, i, &path[0], UINT(path.size()));
        paths.push_back(Utf8(path));
    }
    return paths;
}

// The text up to its terminating zero, never beyond the block: UTF-16 or in
// the ANSI code page.
std::string DroppedText(HGLOBAL block, bool wide)
{
    const char* text = static_cast<const char*>(GlobalLock(block));
    if (!text)
        return std::string();
    size_t size = GlobalSize(block), n = 0;
    std::string out;
    if (wide) {
        const wchar_t* w = reinterpret_cast<const wchar_t*>(text);
        while (n < size / sizeof(wchar_t) && w[n])
            ++n;
        out = Utf8(std::wstring(w, n));
    } else {
        while (n < size && text[n])
            ++n;
        out = Utf8(Widen(std::string(text, n)));
    }
    GlobalUnlock(block);
    return out;
}

std::string FileName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

STDMETHODIMP CPlaylistDropTarget::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = (riid == IID_IUnknown || riid == IID_IDropTarget) ? this : nullptr;
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

DWORD CPlaylistDropTarget::Effect(DWORD allowed) const
{
    return m_bAccept && (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

STDMETHODIMP CPlaylistDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    m_bAccept = Offers(data, CF_HDROP) || Offers(data, CF_UNICODETEXT) || Offers(data, CF_TEXT);
    *effect = Effect(*effect);
    return S_OK;
}

STDMETHODIMP CPlaylistDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    *effect = Effect(*effect);
    return S_OK;
}

STDMETHODIMP CPlaylistDropTarget::DragLeave()
{
    m_bAccept = false;
    return S_OK;
}

// Files come as files; any other text is read as tagged selection text.
STDMETHODIMP CPlaylistDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    *effect = Effect(*effect);
    m_bAccept = false;
    if (*effect == DROPEFFECT_NONE)
        return S_OK;
    bool files = Offers(data, CF_HDROP), wide = !files && Offers(data, CF_UNICODETEXT);
    FORMATETC fe = Format(files ? CF_HDROP : wide ? CF_UNICODETEXT : CF_TEXT);
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&fe, &medium))) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    if (files) {
        std::vector<std::string> paths = DroppedFiles(static_cast<HDROP>(medium.hGlobal));
        std::printf("dropped %u files\n", unsigned(paths.size()));
        for (const std::string& path : paths)
            m_pane.AddFile(path);
    } else {
        std::string text = DroppedText(medium.hGlobal, wide);
        std::printf("dropped text %s\n", text.c_str());
        m_pane.AddTaggedText(text);
    }
    std::fflush(stdout);
    ReleaseStgMedium(&medium);
    return S_OK;
}

BOOL CPlaylistPane::Create(HWND parent, int id)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                  TVS_SHOWSELALWAYS;
    m_hTree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    if (!m_hTree)
        return FALSE;
    m_bRegistered = SUCCEEDED(RegisterDragDrop(m_hTree, &m_target));
    return m_bRegistered;
}

void CPlaylistPane::Revoke()
{
    if (m_bRegistered)
        RevokeDragDrop(m_hTree);
    m_bRegistered = false;
}

HTREEITEM CPlaylistPane::Insert(HTREEITEM parent, const std::string& text, bool bold)
{
    std::wstring wide = Widen(text, CP_UTF8);
    TVINSERTSTRUCTW tvi = {};
    tvi.hParent = parent;
    tvi.hInsertAfter = TVI_LAST;
    tvi.item.mask = TVIF_TEXT | TVIF_STATE;
    tvi.item.pszText = &wide[0];
    tvi.item.state = bold ? TVIS_BOLD : 0;
    tvi.item.stateMask = TVIS_BOLD;
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_INSERTITEMW, 0, LPARAM(&tvi)));
}

void CPlaylistPane::AddFile(const std::string& path)
{
    Insert(TVI_ROOT, FileName(path), false);
    ++m_nFiles;
}

void CPlaylistPane::AddItems(const std::vector<PlaylistItem>& items)
{
    for (const PlaylistItem& item : items) {
        if (!item.bGroup) {
            for (const std::string& path : item.paths)
                AddFile(path);
            continue;
        }
        HTREEITEM group = Insert(TVI_ROOT, item.strName, true);
        for (const std::string& path : item.paths)
            Insert(group, FileName(path), false);
        m_nFiles += int(item.paths.size());
        SendMessageA(m_hTree, TVM_EXPAND, TVE_EXPAND, LPARAM(group));
    }
}
