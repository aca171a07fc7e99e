// The playlist pane beside the control: a tree of groups with their files and
// of loose files. It is an OLE drop target for files (CF_HDROP) and for the
// control's tagged selection text (CF_TEXT).
#pragma once
#include "Playlist.h"
#include <windows.h>
#include <ole2.h>
#include <commctrl.h>
#include <string>
#include <vector>

class CPlaylistPane;

// Accepts a drop as a copy when the data holds files or text. It lives as
// long as its pane (no reference counting of its own).
class CPlaylistDropTarget : public IDropTarget {
public:
    explicit CPlaylistDropTarget(CPlaylistPane& pane) : m_pane(pane) {}
    virtual ~CPlaylistDropTarget() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

private:
    DWORD Effect(DWORD allowed) const;
    CPlaylistPane& m_pane;
    bool m_bAccept = false;
};

class CPlaylistPane {
public:
    CPlaylistPane() : m_target(*this) {}
    // Needs OleInitialize first; registers the tree as a drop target.
    BOOL Create(HWND parent, int id);
    // Before the tree is destroyed.
    void Revoke();
    HWND Handle() const { return m_hTree; }

    void AddFile(const std::string& path);
    void AddItems(const std::vector<PlaylistItem>& items);
    void AddTaggedText(const std::string& text) { AddItems(ParseTaggedText(text)); }
    int FileCount() const { return m_nFiles; }

private:
    HTREEITEM Insert(HTREEITEM parent, const std::string& text, bool bold);
    HWND m_hTree = nullptr;
    int m_nFiles = 0;
    bool m_bRegistered = false;
    CPlaylistDropTarget m_target;
};
