// Sorting and selection export on a large file list: a click on the Name and
// the Time header of the control's file list against a bare LVM_SORTITEMS of a
// plain list view with the same rows, whose comparison reads texts prepared
// beforehand; and GetSelectedItems with every row selected against building
// the same string array from paths already in memory. Best of a few rounds,
// both sides measured in the same run. Every result is checked: a list that is
// not in order or an array that does not hold every path ends the run with 1.
//
// usage: bench_selection.exe DRIVE [RECORDS]   (DRIVE: an empty drive, such as T:)
#include "BenchCatalogue.h"
#include "ExportCheck.h"
#include "host/ControlClient.h"
#include <windows.h>
#include <commctrl.h>
#include <mbstring.h>
#include <oleauto.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Now;

const int kRounds = 3;
const int kColumns = 4; // Name, Time, Info, Path

// A small deterministic generator, so every run sorts the same rows.
struct Random {
    uint32_t nState = 2463534242u;
    uint32_t Next()
    {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        return nState;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};

const char* const kWords[] = {
    "Silver", "harbour", "Quiet", "morning", "Lights", "River", "dark", "Stone", "Winter", "summer", "Blue",
    "Road",   "fire",    "Paper", "Moon",    "city",   "Echo",  "Glass", "Heart", "wild",   "Rain",   "Garden",
    "Ocean",  "Shadow",  "gold",  "Northern", "Song",  "Dust",  "Velvet", "Iron", "Falling", "Star",  "Open",
    "Window", "Tide",    "Hollow", "ember",  "Thunder", "Low",  "Bright"};
const uint32_t kWordCount = sizeof kWords / sizeof kWords[0];

std::string Words(Random& random, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? " " : "") + std::string(kWords[random.Below(kWordCount)]);
    return text;
}

std::string TwoDigits(uint32_t n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

// Mostly m:ss, some mm:ss and some h:mm:ss, so the right-aligned comparison
// has texts of three lengths to put in order.
std::string Time(Random& random, int32_t& seconds)
{
    uint32_t kind = random.Below(100);
    uint32_t s = random.Below(60);
    if (kind < 70) {
        uint32_t m = random.Below(10);
        seconds = int32_t(m * 60 + s);
        return std::to_string(m) + ":" + TwoDigits(s);
    }
    if (kind < 90) {
        uint32_t m = 10 + random.Below(50);
        seconds = int32_t(m * 60 + s);
        return std::to_string(m) + ":" + TwoDigits(s);
    }
    uint32_t h = 1 + random.Below(3), m = random.Below(60);
    seconds = int32_t(h * 3600 + m * 60 + s);
    return std::to_string(h) + ":" + TwoDigits(m) + ":" + TwoDigits(s);
}

// 500 artists of five albums of 40 tracks (for 100,000 records); the names
// are two to four words, so the sort compares well into the texts.
std::vector<bench::Record> MakeRecords(int count)
{
    Random random;
    std::vector<std::string> artists, albums;
    std::vector<bench::Record> records(size_t(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        size_t artist = size_t(i / 200), album = size_t(i / 40);
        if (artists.size() <= artist)
            artists.push_back(Words(random, 2) + " " + std::to_string(artist));
        if (albums.size() <= album)
            albums.push_back(Words(random, 2) + " (" + std::to_string(album % 5 + 1) + ")");
        bench::Record& r = records[size_t(i)];
        r.strArtist = artists[artist];
        r.strAlbum = albums[album];
        r.strFolder = r.strArtist + "\\" + r.strAlbum;
        r.strTitle = Words(random, 2 + int(random.Below(3)));
        r.strName = r.strTitle + " " + std::to_string(i) + ".mp3";
        r.strTime = Time(random, r.lLength);
        r.nGenre = int32_t(random.Below(80));
    }
    return records;
}

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.c_str()); }

std::string RightAligned(const std::string& text)
{
    return text.size() >= 10 ? text : std::string(10 - text.size(), ' ') + text;
}

// Whether the column reads in order, times compared right-aligned as the
// control compares them.
bool InOrder(HWND list, int column, bool ascending)
{
    int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string previous;
    for (int i = 0; i < count; ++i) {
        std::string text = CListView(list).ItemText(i, column);
        if (column == 1)
            text = RightAligned(text);
        int order = _mbsicmp(U(previous), U(text));
        if (i > 0 && (ascending ? order > 0 : order < 0))
            return false;
        previous = text;
    }
    return true;
}

// The baseline list: report mode, the control's columns and widths, and the
// rows of the control's file list in the order it shows them. Answers the
// texts of the Name column and the right-aligned texts of the Time column,
// indexed by the items' data.
HWND MakeBareList(HWND parent, HWND model, RECT at, std::vector<std::string>& names, std::vector<std::string>& times)
{
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | LVS_REPORT |
                                    LVS_SHOWSELALWAYS,
                                at.left, at.top, at.right - at.left, at.bottom - at.top, parent, nullptr, nullptr,
                                nullptr);
    for (int c = 0; c < kColumns; ++c) {
        std::string title = CListView(model).ColumnText(c);
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = int(SendMessageA(model, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
        col.pszText = const_cast<char*>(title.c_str());
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), LPARAM(&col));
    }
    int count = int(SendMessageA(model, LVM_GETITEMCOUNT, 0, 0));
    names.resize(size_t(count));
    times.resize(size_t(count));
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i) {
        std::string cells[kColumns];
        for (int c = 0; c < kColumns; ++c)
            cells[c] = CListView(model).ItemText(i, c);
        names[size_t(i)] = cells[0];
        times[size_t(i)] = RightAligned(cells[1]);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = const_cast<char*>(cells[0].c_str());
        item.lParam = i;
        SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item));
        for (int c = 1; c < kColumns; ++c) {
            item.iSubItem = c;
            item.pszText = const_cast<char*>(cells[c].c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(i), LPARAM(&item));
        }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(list);
    return list;
}

struct BareSort {
    const std::vector<std::string>* pTexts;
    int nSign;
};

int CALLBACK CompareBare(LPARAM a, LPARAM b, LPARAM param)
{
    const BareSort& sort = *reinterpret_cast<const BareSort*>(param);
    return _mbsicmp(U((*sort.pTexts)[size_t(a)]), U((*sort.pTexts)[size_t(b)])) * sort.nSign;
}

double SortBare(HWND list, const std::vector<std::string>& texts, bool ascending)
{
    BareSort sort = {&texts, ascending ? 1 : -1};
    double start = Now();
    SendMessageA(list, LVM_SORTITEMS, WPARAM(&sort), LPARAM(CompareBare));
    UpdateWindow(list);
    return Now() - start;
}

// A click on the column's header, as the mouse does it, until the list has
// drawn itself again.
double ClickHeader(HWND list, int column)
{
    double start = Now();
    ClickListHeader(list, column);
    UpdateWindow(list);
    return Now() - start;
}

// The direction of the next sort: the same column turns round, another
// column starts descending; at start the last column is Name, descending.
struct Direction {
    int nColumn = 0;
    bool bAscending = false;
    bool Click(int column)
    {
        bAscending = column == nColumn ? !bAscending : false;
        nColumn = column;
        return bAscending;
    }
};

void Report(const char* what, double seconds, double baseline, double aim)
{
    std::printf("  %-40s %8.1f ms   baseline %8.1f ms   ratio %.2f (aim %.1f)\n", what, seconds * 1e3,
                baseline * 1e3, seconds / baseline, aim);
}

int Fail(const char* what)
{
    std::fprintf(stderr, "bench_selection: %s\n", what);
    return 1;
}

int Run(const std::string& drive, int count)
{
    const std::string root = drive + "\\select";
    std::vector<bench::Record> records = MakeRecords(count);
    std::string cache = bench::WriteCatalogue(root, records);
    bench::HostedControl host;
    if (!host.Create(1220, 440, 600, 400))
        return Fail("the control is not registered");
    IDispatch* ctrl = host.pDispatch;
    InvokeByName(ctrl, L"LoadFile", DISPATCH_METHOD, {StrArg(cache)});
    HWND files = FindShownList(host.hFrame);
    if (!files || SendMessageA(files, LVM_GETITEMCOUNT, 0, 0) != count)
        return Fail("the file list does not hold every record");
    RECT at = {};
    GetWindowRect(files, &at);
    MapWindowPoints(nullptr, host.hFrame, reinterpret_cast<POINT*>(&at), 2);
    OffsetRect(&at, at.right - at.left, 0);
    std::vector<std::string> names, times;
    HWND bare = MakeBareList(host.hFrame, files, at, names, times);

    // Both lists take the same clicks from the same order: Name first (the
    // only ascending sort, not counted), then rounds of Time and Name, each
    // sorting a list that the other column left in its order.
    Direction direction;
    double best[2][2] = {{1e9, 1e9}, {1e9, 1e9}}; // [column][control, bare]
    for (int round = 0; round <= kRounds; ++round) {
        for (int column : {1, 0}) {
            if (round == 0 && column == 1)
                continue;
            bool ascending = direction.Click(column);
            double control = ClickHeader(files, column);
            if (!InOrder(files, column, ascending))
                return Fail("a header click left the file list out of order");
            double baseline = SortBare(bare, column == 1 ? times : names, ascending);
            if (!InOrder(bare, column, ascending))
                return Fail("the bare sort left its list out of order");
            if (round > 0) {
                best[column][0] = std::min(best[column][0], control);
                best[column][1] = std::min(best[column][1], baseline);
            }
        }
    }

    LVITEMA all = {};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    SendMessageA(files, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&all));
    if (SendMessageA(files, LVM_GETSELECTEDCOUNT, 0, 0) != count)
        return Fail("not every row is selected");
    std::vector<std::string> paths;
    for (const bench::Record& r : records)
        paths.push_back(bench::PathOf(root, r));
    double exportBest = 1e9, arrayBest = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        short reported = 0;
        VARIANT result;
        double start = Now();
        HRESULT hr = bench::SelectedItems(ctrl, result, reported);
        exportBest = std::min(exportBest, Now() - start);
        bool right = SUCCEEDED(hr) && result.vt == (VT_ARRAY | VT_BSTR) && bench::HoldsPaths(result.parray, paths) &&
                     reported == std::min(count, 32767); // the short count stops at its largest value
        VariantClear(&result);
        if (!right)
            return Fail("GetSelectedItems did not answer every selected path");

        start = Now();
        SAFEARRAY* array = bench::BareArray(paths);
        arrayBest = std::min(arrayBest, Now() - start);
        right = bench::HoldsPaths(array, paths);
        SafeArrayDestroy(array);
        if (!right)
            return Fail("the bare array does not hold every path");
    }

    std::printf("sorting and export on a file list of %d rows (best of %d):\n", count, kRounds);
    Report("sorting by Name (a click on its header)", best[0][0], best[0][1], 1.5);
    Report("sorting by Time (a click on its header)", best[1][0], best[1][1], 1.5);
    Report("GetSelectedItems, every row selected", exportBest, arrayBest, 2.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_selection DRIVE [RECORDS]\n");
        return 2;
    }
    OleInitialize(nullptr);
    int rc = Run(argv[1], argc > 2 ? std::atoi(argv[2]) : 100000);
    OleUninitialize();
    return rc;
}
