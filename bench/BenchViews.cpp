// The grouped views on a large catalogue: building the artist view, opening a
// group of 2,000 files, switching views back and forth and refreshing, each
// against inserting the same number of plain items into a list view (redraw
// off) in the same run. The catalogue's own share is measured apart, on the
// same records in this process.
//
// usage: bench_views.exe DRIVE [RECORDS]   (DRIVE: an empty drive, such as T:)
#include "BenchCatalogue.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "host/ControlClient.h"
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Now;

// The catalogue: 20 records an artist, except the first artist, who has 2,000;
// a folder for every 100 artists.
std::string MakeCatalogue(const std::string& root, int records)
{
    std::vector<bench::Record> list(size_t(records > 0 ? records : 0));
    for (int i = 0; i < records; ++i) {
        int artist = i < 2000 ? 0 : 1 + (i - 2000) / 20;
        bench::Record& r = list[size_t(i)];
        r.strFolder = "a" + std::to_string(artist / 100);
        r.strName = "track " + std::to_string(i) + ".mp3";
        r.strTime = "3:20";
        r.strAlbum = "Album " + std::to_string(i / 12);
        r.strArtist = "Artist " + std::to_string(artist);
        r.strTitle = "Title " + std::to_string(i);
        r.nGenre = 1 + i % 40;
    }
    return bench::WriteCatalogue(root, list);
}

// The baseline: n plain items into a list view with redraw off, and the
// list painted (or not).
double PlainInserts(HWND parent, int n, bool paint = true)
{
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 400, 300, parent,
                                nullptr, nullptr, nullptr);
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 200;
    col.pszText = const_cast<char*>("Name");
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, LPARAM(&col));
    double start = Now();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < n; ++i) {
        std::string text = "Artist " + std::to_string(i);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (paint)
        UpdateWindow(list);
    else
        ValidateRect(list, nullptr);
    double seconds = Now() - start;
    DestroyWindow(list);
    return seconds;
}

// A plain list of the given size with four columns of text and n items,
// repainted whole with its frame and header: what painting a list costs,
// whoever fills it.
double PlainRepaint(HWND parent, const RECT& r, int n)
{
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    for (int c = 0; c < 4; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 150;
        col.pszText = const_cast<char*>("Name");
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), LPARAM(&col));
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < n; ++i) {
        std::string text = "track " + std::to_string(i) + ".mp3";
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item));
        for (int c = 1; c < 4 && i < 100; ++c) { // the cells of the rows that show
            item.iSubItem = c;
            SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(i), LPARAM(&item));
        }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(list);
    double start = Now();
    for (int i = 0; i < 5; ++i)
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    double seconds = (Now() - start) / 5;
    DestroyWindow(list);
    return seconds;
}

HRESULT Invoke(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args)
{
    return InvokeByName(d, name, flags, args);
}

VARIANT Long(long v) { return LongArg(v); }
VARIANT Str(const std::string& s) { return StrArg(s); }

void Report(const char* what, double seconds, double baseline, int items, double aim = 2.0)
{
    std::printf("  %-34s %8.1f ms   baseline %8.1f ms (%d items)   ratio %.2f (aim %.1f)\n", what, seconds * 1e3,
                baseline * 1e3, items, seconds / baseline, aim);
}

// The measurements on a hosted control; 1 when the control is not registered.
int Run(const std::string& drive, int records)
{
    std::string cache = MakeCatalogue(drive + "\\views", records);
    const int artists = 1 + (records - 2000) / 20;
    bench::HostedControl host;
    if (!host.Create(600, 400, 600, 400)) {
        std::fprintf(stderr, "bench_views: the control is not registered\n");
        return 1;
    }
    HWND frame = host.hFrame;
    IDispatch* ctrl = host.pDispatch;
    Invoke(ctrl, L"Style", DISPATCH_PROPERTYPUT, {Long(2)});
    double t0 = Now();
    Invoke(ctrl, L"LoadFile", DISPATCH_METHOD, {Str(cache)});
    double load = Now() - t0;

    double baseGroups = PlainInserts(frame, artists), baseOpen = PlainInserts(frame, 2000),
           baseBoth = PlainInserts(frame, artists + 2000);
    t0 = Now();
    Invoke(ctrl, L"View", DISPATCH_PROPERTYPUT, {Long(1040)});
    UpdateWindow(frame);
    double build = Now() - t0;

    HWND list = FindShownList(frame);
    RECT r = {};
    r.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, 0, LPARAM(&r)); // the first group: 2,000 files
    t0 = Now();
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2));
    double open = Now() - t0;
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2));

    // Each write of View moves the focus to the list it shows, which paints
    // that list as it comes up (frame and header too), and then repaints the
    // control with its children at once.
    auto paints = [&] {
        HWND shown = FindShownList(frame);
        double start = Now();
        RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RedrawWindow(GetParent(shown), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        return Now() - start;
    };
    double toFiles = 0, toGroups = 0, paintFiles = 0, paintGroups = 0;
    for (int i = 0; i < 5; ++i) {
        paintGroups += paints();
        t0 = Now();
        Invoke(ctrl, L"View", DISPATCH_PROPERTYPUT, {Long(1039)});
        UpdateWindow(frame);
        toFiles += Now() - t0;
        paintFiles += paints();
        t0 = Now();
        Invoke(ctrl, L"View", DISPATCH_PROPERTYPUT, {Long(1040)});
        UpdateWindow(frame);
        toGroups += Now() - t0;
    }
    double switching = (toFiles + toGroups) / 5;
    paintFiles /= 5, paintGroups /= 5;

    // The first filter change after loading refiles every record (the file
    // was not written in the catalogue's order); the next one finds the
    // groups as they were.
    VARIANT first = StringArrayArg({"*.wma"});
    Invoke(ctrl, L"HideItems", DISPATCH_METHOD, {first});
    VARIANT patterns = StringArrayArg({"*.ogg"});
    t0 = Now();
    Invoke(ctrl, L"HideItems", DISPATCH_METHOD, {patterns});
    double refresh = Now() - t0;
    t0 = Now();
    Invoke(ctrl, L"SetHideAudioLength", DISPATCH_METHOD, {Long(100)});
    double refile = Now() - t0;

    // The catalogue's share: the same records in this process, the artist
    // index walked as the view does, and every record refiled.
    CCatalogue own;
    t0 = Now();
    LoadFile(own, cache.c_str());
    double bareLoad = Now() - t0;
    if (own.Files().size() != size_t(records))
        std::fprintf(stderr, "bench_views: %zu of %d records catalogued\n", own.Files().size(), records);
    t0 = Now();
    size_t walked = 0;
    for (const auto& group : own.Artists())
        walked += group.first.size();
    double walk = Now() - t0;
    own.SetMinLength(100);
    t0 = Now();
    own.RebuildGroups();
    double regroup = Now() - t0;
    double baseAll = PlainInserts(frame, records), rowsOnly = PlainInserts(frame, artists, false);
    RECT shownRect;
    GetWindowRect(FindShownList(frame), &shownRect);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&shownRect), 2);
    double plainPaint = PlainRepaint(frame, shownRect, records);

    std::printf("views of %d records, %d artists (cache file loaded in %.0f ms):\n", records, artists, load * 1e3);
    Report("LoadFile with its rows", load, bareLoad, records, 1.5);
    std::printf("    (the baseline: the same file loaded into a catalogue of this process, no list); with %d plain "
                "items inserted on top, ratio %.2f\n",
                records, (bareLoad + baseAll) / bareLoad);
    Report("building the artist view", build, baseGroups, artists, 1.3);
    std::printf("    of which the repaints the View write asks for %.1f ms; with the baseline's items unpainted "
                "(%.1f ms), ratio %.2f; walking the artist index %.2f ms (%zu groups)\n",
                paintGroups * 1e3, rowsOnly * 1e3, (rowsOnly + paintGroups) / baseGroups, walk * 1e3,
                walked > 0 ? own.Artists().size() : 0);
    Report("opening a group of 2,000 files", open, baseOpen, 2000);
    Report("switching to the files and back", switching, baseBoth, artists + 2000, 1.5);
    std::printf("    of which to the files %.1f ms, back to the artists %.1f ms; the repaints both writes ask for "
                "%.1f ms (ratio %.2f); a plain list of the same size and 100,000 rows repaints in %.1f ms\n",
                toFiles / 5 * 1e3, toGroups / 5 * 1e3, (paintFiles + paintGroups) * 1e3,
                (paintFiles + paintGroups) / baseBoth, plainPaint * 1e3);
    Report("refresh, no group changes", refresh, baseGroups, artists, 3.0);
    Report("refresh, every record refiled", refile, baseGroups, artists, 3.0);
    std::printf("    of which the catalogue refiling every record %.1f ms (measured on its own)\n", regroup * 1e3);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_views DRIVE [RECORDS]\n");
        return 2;
    }
    OleInitialize(nullptr);
    int rc = Run(argv[1], argc > 2 ? std::atoi(argv[2]) : 100000);
    OleUninitialize();
    return rc;
}
