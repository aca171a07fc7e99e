// CSndListCtrl: a list view in report mode whose items each carry a ListRow
// that the list owns. It tells its parent (the control window) of
// double-clicks, Return and selection changes with private messages.
#pragma once
#include "ListRow.h"
#include "framework/Window.h"
#include <commctrl.h>
#include <map>
#include <string>

class CSndListCtrl : public fw::CWindow {
public:
    CSndListCtrl() = default;
    ~CSndListCtrl() override;

    bool CreateList(HWND parent, const RECT& rect, UINT id, DWORD style);

    virtual void CountSelected(int& files, int& items) const;
    void DeleteAllRows();
    virtual bool SetColumn(int column, const std::string& header, int width);
    void SetSubItemText(int item, int column, const std::string& text);
    // Inserts an item for the row and takes it over; -1 (the caller keeps the row) when refused.
    virtual int InsertRow(int index, ListRow* row, int view);
    void RedrawSelection();

    int ItemCount() const { return int(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0)); }
    ListRow* RowAt(int item) const;
    int FirstSelected() const { return int(SendMessageA(Handle(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }
    void SetRedraw(bool on) { SendMessageA(Handle(), WM_SETREDRAW, on ? TRUE : FALSE, 0); }
    // The image index recorded for an icon key; 0 when the key has none.
    int ImageOf(const std::string& key) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    int AddIcon(const std::string& key, HICON icon);
    // Inserts an item showing the row with the given image; the item's data is the row.
    int InsertItem(int index, ListRow* row, int image);
    void NotifySelection();
    void KeepWidthInStep(int column);
    int FileImage(const std::string& path);

    HIMAGELIST m_hImages = nullptr;
    std::map<std::string, int> m_mapIcons;
};
