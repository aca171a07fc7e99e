// CSndListCtrl: an owner-data list view in report mode. The list owns its
// ListRows in an array, in list order; the items are the rows that are not
// hidden, and the list view asks for a row's text, image and indent as it
// shows it. It tells its parent (the control window) of
// double-clicks, Return, selection changes and context-menu commands with
// private messages; the selection leaves it as paths, as tagged text and by
// drag and drop; a header click sorts it.
#pragma once
#include "ListRow.h"
#include "framework/ListView.h"
#include "framework/Window.h"
#include "platform/PlatformText.h"
#include <commctrl.h>
#include <functional>
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
    // Frees every row and empties the list.
    void DeleteAllRows();
    // The paths of the selected file rows in list order; false when there are none.
    virtual bool GetSelectedFiles(std::vector<std::string>& paths) const;
    // The tagged text of the selection; false, text unchanged, when nothing is selected.
    virtual bool GetSelectedItemsString(std::string& text);
    // Renames command 1 (add track) or 2 (preview); other commands change nothing.
    virtual void SetContextMenuString(int command, const std::string& text);
    virtual bool SetColumn(int column, const std::string& header, int width);
    // Inserts the row before the row shown as item `index` (at the end when
    // there is none) and takes it over; -1 (the caller keeps the row) when refused.
    virtual int InsertRow(int index, ListRow* row, int view);
    void RedrawSelection();
    // Tells the parent how many files and items are selected.
    void NotifySelection();
    // The CF_HDROP block of the selected files, or none.
    HGLOBAL BuildDropFiles() const;
    void BuildSelectionText(const ListRow* const* rows, int count, std::string& text);
    // The rows of the selected items in list order; allFiles tells whether all are files.
    bool GetSelectedRows(std::vector<ListRow*>& rows, bool& allFiles) const;

    // Every row the list holds, shown or hidden, by position (ListRows.cpp).
    // Positions count hidden rows; items count only the shown ones.
    size_t RowCount() const { return m_vecRows.size(); }
    ListRow* Row(size_t pos) const { return pos < m_vecRows.size() ? m_vecRows[pos] : nullptr; }
    // The position of item `item`; RowCount() for an item past the last.
    size_t PosOf(int item) const;
    // The item that shows the row at `pos`, or -1 when it is hidden or not there.
    int ItemAt(size_t pos) const;
    // Puts rows in before position pos and takes them over. Selection and
    // focus stay on the rows they were on.
    void PutRows(size_t pos, std::vector<ListRow*> rows);
    // Frees the rows for which drop answers true; the rest keep their order,
    // their selection and the focus.
    void DropRows(const std::function<bool(const ListRow&)>& drop);
    // Frees count rows from pos on.
    void DropRange(size_t pos, size_t count);
    // Every row out of the list, now the caller's; the list is empty.
    std::vector<ListRow*> TakeAllRows();
    // The rows' hidden marks changed: the items follow, selection and focus
    // staying on the rows that stay shown.
    void ShowRows();
    // While held, rows put at the end tell the list view nothing; letting go
    // tells it the count once (a list filled by the hundred thousand).
    void HoldCount(bool hold);
    // Draws one item again (its row's image or text changed).
    void RedrawItem(int item);

    CListView List() const { return CListView(Handle()); }
    int ItemCount() const { return int(m_vecItems.size()); }
    ListRow* RowAt(int item) const
    {
        return item >= 0 && size_t(item) < m_vecItems.size() ? m_vecRows[m_vecItems[size_t(item)]] : nullptr;
    }
    int FirstSelected() const;
    std::vector<int> SelectedItems() const;
    // The selected items and then the focused one (which may be among them).
    std::vector<int> MarkedItems() const;
    int NextSelected(int after) const { return List().NextItem(after, LVNI_SELECTED); }
    void SetRedraw(bool on) { SendMessageA(Handle(), WM_SETREDRAW, on ? TRUE : FALSE, 0); }
    // The image index recorded for an icon key; 0 when the key has none.
    int ImageOf(std::string_view key) const;
    // The icon of a file's type, asked of the shell once a type.
    int FileImage(const char* path);
    int FileImageOf(const ListRow& row);
    // Inserts the row as InsertRow does, showing the given image.
    int InsertItem(int index, ListRow* row, int image);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Adds the files of a group row selected without any of them; nothing here.
    virtual void AppendGroupFiles(const ListRow*, std::string&) {}
    void SortByColumn(int column);
    void BeginDrag();
    void ShowContextMenu(POINT screen);
    int AddIcon(const std::string& key, HICON icon);
    void GiveCellText(LPARAM dispInfo, bool wide);
    int FindItem(LPARAM findInfo, bool wide) const;
    void KeepWidthInStep(int column);

    std::string m_strAddTrack = "~~~AddTrack";
    std::string m_strPreview = "~~~Preview";
    bool m_bContextMenu = true;
    std::map<std::string, int, std::less<>> m_mapIcons; // found by any text, with no string made for it
    std::vector<int> m_vecExtensionImages; // by the catalogue's extension number, -1 until asked
    HMENU m_hContextMenu = nullptr;
    HIMAGELIST m_hImages = nullptr;
    platform::TextCode m_code = platform::CODE_ANSI;

private:
    // Where the selection, the focus and the selection mark stand before the
    // rows move, by row.
    struct Marks {
        std::vector<int> vecSelected;
        ListRow* pFocus = nullptr;
        ListRow* pMark = nullptr;
        bool bAny = false;
    };
    Marks TakeMarks();
    // Lists the shown rows again and puts the marks back on their rows.
    void Commit(const Marks& marks);
    void Reselect(const std::vector<int>& before, const std::vector<int>& after);

    std::vector<ListRow*> m_vecRows; // every row, in list order
    std::vector<uint32_t> m_vecItems; // the positions of the shown rows: the items
    bool m_bCountHeld = false;
};
