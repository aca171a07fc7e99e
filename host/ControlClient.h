// What a program that drives the control needs: calls by name through
// IDispatch, argument values, and the result list the control shows.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>

// Calls a member by name; the arguments are given first to last and freed here.
HRESULT InvokeByName(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                     VARIANT* result = nullptr);

VARIANT LongArg(long value);
VARIANT StrArg(const std::string& text); // ANSI text as an automation string
// A one-dimensional string array, as AddSearch, HideItems and GetItemsFoundCount take it.
VARIANT StringArrayArg(const std::vector<std::string>& items);

// The visible result list below a window, or null.
HWND FindShownList(HWND root);
// The text of one cell of a list view, as the list gives it.
std::string ListCellText(HWND list, int item, int column);
// The text of one column header of a list view.
std::string ListColumnText(HWND list, int column);
// A click at the middle of a column's header, as the mouse gives it: sent, or
// posted for the caller's message loop. False when the list has no such column.
bool ClickListHeader(HWND list, int column, bool post = false);
