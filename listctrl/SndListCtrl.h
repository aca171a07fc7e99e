// CSndListCtrl: a list view in report mode whose items each carry a ListRow
// that the list owns. It tells its parent (the control window) of
// double-clicks, Return, selection changes and context-menu commands with
// private messages; the selection leaves it as paths, as tagged text and by
// drag and drop; a header click sorts it.
#pragma once
#include "ListRow.h"
#include "framework/ListView.h"
#include "framework/Window.h"
#include "platform/PlatformText.h"
#include <commctrl.h>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum ContextCommandId : UINT { ID_CTX_PREVIEW = 1042, ID_CTX_ADDTRACK = 1043 };

class CSndListCtrl : public fw::CWindow {
public:
    CSndListCtrl() = default;
    ~CSndListCtrl() override;

    bool CreateList(HWND parent, const RECT& rect, UINT id, DWORD style);
    // The code of the rows' texts. In UTF-8 the list asks for every text in
    // UTF-16 and the selection leaves it as UTF-16; the rows it holds are
    // the caller's to rebuild.
    void SetTextCode(platform::TextCode code);
    platform::TextCode TextCode() const { return m_code; }

    virtual void CountSelected(int& files, int& items) const;
    void EnableContextMenu(bool enabled) { m_bContextMenu = enabled; }
    void DeleteAllRows();
    // The paths of the selected file rows in list order; false when there are none.
    virtual bool GetSelectedFiles(std::vector<std::string>& paths) const;
    // The tagged text of the selection; false, text unchanged, when nothing is selected.
    virtual bool GetSelectedItemsString(std::string& text);
    // Renames command 1 (add track) or 2 (preview); other commands change nothing.
    virtual void SetContextMenuString(int command, const std::string& text);
    virtual bool SetColumn(int column, const std::string& header, int width);
    void SetSubItemText(int item, int column, const std::string& text);
    // Inserts an item for the row and takes it over; -1 (the caller keeps the row) when refused.
    virtual int InsertRow(int index, ListRow* row, int view);
    void RedrawSelection();
    // The CF_HDROP block of the selected files, or none.
    HGLOBAL BuildDropFiles() const;
    void BuildSelectionText(const ListRow* const* rows, int count, std::string& text);
    // The rows of the selected items in list order; allFiles tells whether all are files.
    bool GetSelectedRows(std::vector<ListRow*>& rows, bool& allFiles) const;

    CListView List() const { return CListView(Handle()); }
    int ItemCount() const { return List().ItemCount(); }
    ListRow* RowAt(int item) const;
    int FirstSelected() const;
    std::vector<int> SelectedItems() const;
    // The selected items and then the focused one (which may be among them).
    std::vector<int> MarkedItems() const;
    int NextSelected(int after) const { return List().NextItem(after, LVNI_SELECTED); }
    void SetRedraw(bool on) { SendMessageA(Handle(), WM_SETREDRAW, on ? TRUE : FALSE, 0); }
    // The image index recorded for an icon key; 0 when the key has none.
    int ImageOf(std::string_view key) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Adds the files of a group row selected without any of them; nothing here.
    virtual void AppendGroupFiles(const ListRow*, std::string&) {}
    void SortByColumn(int column);
    void BeginDrag();
    void ShowContextMenu(POINT screen);
    int AddIcon(const std::string& key, HICON icon);
    // Inserts an item showing the row with the given image; the item's data is the row.
    int InsertItem(int index, ListRow* row, int image);
    void NotifySelection();
    void GiveCellText(LPARAM dispInfo, bool wide);
    void KeepWidthInStep(int column);
    int FileImage(const std::string& path);

    std::string m_strAddTrack = "~~~AddTrack";
    std::string m_strPreview = "~~~Preview";
    bool m_bContextMenu = true;
    std::map<std::string, int, std::less<>> m_mapIcons; // found by any text, with no string made for it
    HMENU m_hContextMenu = nullptr;
    HIMAGELIST m_hImages = nullptr;
    platform::TextCode m_code = platform::CODE_ANSI;
};
