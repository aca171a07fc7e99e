// CListView: a typed face of a list view window, one method a message. It
// owns nothing: the window belongs to whoever made it. The lists, the views,
// the demo host, the benchmarks and the tests talk to list views through it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

class CListView {
public:
    explicit CListView(HWND hwnd = nullptr) : m_hWnd(hwnd) {}
    HWND Handle() const { return m_hWnd; }

    int ItemCount() const { return int(Send(LVM_GETITEMCOUNT)); }
    int SelectedCount() const { return int(Send(LVM_GETSELECTEDCOUNT)); }
    // The next item after `after` (-1: from the start) with these LVNI_ flags, or -1.
    int NextItem(int after, UINT flags) const { return int(Send(LVM_GETNEXTITEM, WPARAM(after), flags)); }
    // An item's data (the lists keep a row there), or 0.
    LPARAM ItemData(int item) const
    {
        LVITEMA lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        return item >= 0 && Send(LVM_GETITEMA, 0, LPARAM(&lv)) ? lv.lParam : 0;
    }
    bool SetItemData(int item, LPARAM data) const
    {
        LVITEMA lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        lv.lParam = data;
        return Send(LVM_SETITEMA, 0, LPARAM(&lv)) != 0;
    }
    int Indent(int item) const
    {
        LVITEMA lv = {};
        lv.mask = LVIF_INDENT;
        lv.iItem = item;
        return Send(LVM_GETITEMA, 0, LPARAM(&lv)) ? lv.iIndent : 0;
    }
    // A cell's text, whole however long it is, read into the caller's buffer,
    // which keeps its size for the next read.
    const char* ItemText(int item, int column, std::string& buffer) const
    {
        if (buffer.size() < 256)
            buffer.assign(256, '\0');
        for (;;) { // a text that fills the buffer may have been cut: read it again in a larger one
            LVITEMA lv = {};
            lv.iSubItem = column;
            lv.pszText = &buffer[0];
            lv.cchTextMax = int(buffer.size());
            buffer[0] = '\0';
            size_t n = size_t(Send(LVM_GETITEMTEXTA, WPARAM(item), LPARAM(&lv)));
            if (n + 1 < buffer.size())
                return buffer.c_str();
            buffer.assign(buffer.size() * 2, '\0');
        }
    }
    std::string ItemText(int item, int column) const
    {
        std::string buffer;
        return ItemText(item, column, buffer);
    }
    UINT ItemState(int item, UINT mask) const { return UINT(Send(LVM_GETITEMSTATE, WPARAM(item), mask)); }
    // Sets the state bits of the mask on one item, or on all of them (item -1).
    bool SetItemState(int item, UINT state, UINT mask) const
    {
        LVITEMA lv = {};
        lv.state = state;
        lv.stateMask = mask;
        return Send(LVM_SETITEMSTATE, WPARAM(item), LPARAM(&lv)) != 0;
    }
    // Exactly these items selected (and each focused in turn, if asked).
    void Select(const std::vector<int>& items, bool focus = false) const
    {
        const UINT mask = LVIS_SELECTED | (focus ? LVIS_FOCUSED : 0);
        SetItemState(-1, 0, mask);
        for (int item : items)
            SetItemState(item, mask, mask);
    }
    bool SetItemImage(int item, int image) const
    {
        LVITEMA lv = {};
        lv.mask = LVIF_IMAGE;
        lv.iItem = item;
        lv.iImage = image;
        return Send(LVM_SETITEMA, 0, LPARAM(&lv)) != 0;
    }
    void SetSelectionMark(int item) const { Send(LVM_SETSELECTIONMARK, 0, item); }
    void SetBkColor(COLORREF color) const { Send(LVM_SETBKCOLOR, 0, LPARAM(color)); }
    bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, WPARAM(item)) != 0; }
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
    bool EnsureVisible(int item) const { return Send(LVM_ENSUREVISIBLE, WPARAM(item), FALSE) != 0; }
    bool ItemRect(int item, RECT& rect, int part = LVIR_LABEL) const
    {
        rect = {};
        rect.left = part;
        return Send(LVM_GETITEMRECT, WPARAM(item), LPARAM(&rect)) != 0;
    }
    // The item at a point of the client area, or -1; with its cell, for a sub-item test.
    int HitTest(POINT at, bool cells = false) const
    {
        LVHITTESTINFO hit = {};
        hit.pt = at;
        return int(Send(cells ? LVM_SUBITEMHITTEST : LVM_HITTEST, 0, LPARAM(&hit)));
    }

    int ColumnWidth(int column) const { return int(Send(LVM_GETCOLUMNWIDTH, WPARAM(column))); }
    bool SetColumnWidth(int column, int width) const
    {
        return Send(LVM_SETCOLUMNWIDTH, WPARAM(column), MAKELPARAM(width & 0xFFFF, 0)) != 0;
    }
    bool DeleteColumn(int column) const { return Send(LVM_DELETECOLUMN, WPARAM(column)) != 0; }
    std::string ColumnText(int column) const
    {
        char text[256] = {};
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = sizeof text;
        Send(LVM_GETCOLUMNA, WPARAM(column), LPARAM(&col));
        return text;
    }
    HWND Header() const { return reinterpret_cast<HWND>(Send(LVM_GETHEADER)); }
    int ColumnCount() const { return int(SendMessageA(Header(), HDM_GETITEMCOUNT, 0, 0)); }
    // A column's header in the header's client coordinates.
    bool HeaderRect(int column, RECT& rect) const
    {
        rect = {};
        return Header() && SendMessageA(Header(), HDM_GETITEMRECT, WPARAM(column), LPARAM(&rect)) != 0;
    }

private:
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return SendMessageA(m_hWnd, msg, wp, lp); }

    HWND m_hWnd;
};
