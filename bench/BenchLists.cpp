// The two result lists on a large catalogue, each operation against a bare
// baseline measured in the same run: LoadFile with the file rows shown against
// the same file loaded into a catalogue of this process; a click on the Name
// header against a stable sort of the same names; each change of FilterText
// against a loop that tests every record's texts for the words; switching
// views and opening a group against building the same rows in an array;
// GetSelectedItems of every row against the bare string array; the memory a
// record costs with its row, and the time the control takes to be released
// afterwards. Every result is checked: a list that does not
// show what it should ends the run with 1. A step that takes longer than the
// limit is not repeated, and its row is skipped with a note.
//
// usage: bench_lists.exe DRIVE [RECORDS]   (DRIVE: an empty drive, such as T:)
#include "BenchCatalogue.h"
#include "ExportCheck.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "host/ControlClient.h"
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::Now;

const int kRounds = 3;
const double kLimit = 120; // seconds one step may take before its row is skipped
const int kBigGroup = 2000;
const char* const kBigArtist = "Harbour Ensemble"; // the artist of the first 2,000 records
const LONG kFileView = 1039, kArtistView = 1040;
const DISPID kFilterTextId = 47;
// One more letter typed, then a number that only a few names hold, then
// nothing again: every record shown.
const char* const kFilterSteps[] = {"t", "tr", "7777", ""};

const char* const kWords[] = {
    "Silver", "harbour", "Quiet",  "morning", "Lights", "River",    "dark",  "Stone",   "Winter", "summer",
    "Blue",   "Road",    "fire",   "Paper",   "Moon",   "city",     "Echo",  "Glass",   "Heart",  "wild",
    "Rain",   "Garden",  "Ocean",  "Shadow",  "gold",   "Northern", "Song",  "Dust",    "Velvet", "Iron",
    "Falling", "Star",   "Open",   "Window",  "Tide",   "Hollow",   "ember", "Thunder", "Train",  "Street"};
const uint32_t kWordCount = sizeof kWords / sizeof kWords[0];

// A small deterministic generator, so every run has the same records.
struct Random {
    uint32_t nState = 2463534242u;
    uint32_t Below(uint32_t n)
    {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        return nState % n;
    }
    std::string Words(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += (i ? " " : "") + std::string(kWords[Below(kWordCount)]);
        return text;
    }
};

// The first 2,000 records are one artist's, then 20 an artist; ten tracks an
// album in a folder of its own, a hundred artists' folders in a folder (Wine
// looks a new name up in its whole folder: with the 50,000 artists of a
// million records in one, writing the files took three times as long); names
// of two to four words and the record's number, so that the filter's words
// match many, some and a few.
std::vector<bench::Record> MakeRecords(int count)
{
    Random random;
    std::vector<bench::Record> records(size_t(count > 0 ? count : 0));
    std::string artist, album;
    for (int i = 0; i < count; ++i) {
        if (i == 0)
            artist = kBigArtist;
        else if (i >= kBigGroup && (i - kBigGroup) % 20 == 0)
            artist = random.Words(2) + " " + std::to_string(1 + (i - kBigGroup) / 20);
        if (i % 10 == 0)
            album = random.Words(2);
        bench::Record& r = records[size_t(i)];
        r.strArtist = artist;
        r.strAlbum = album;
        r.strFolder = "a" + std::to_string(i < kBigGroup ? 0 : (i - kBigGroup) / 2000) + "\\" + artist + "\\" +
                      album + " " + std::to_string(i / 10);
        r.strTitle = random.Words(2 + int(random.Below(3)));
        r.strName = r.strTitle + " " + std::to_string(i) + ".mp3";
        r.lLength = int32_t(30 + random.Below(600));
        r.strTime = std::to_string(r.lLength / 60) + ":" + char('0' + r.lLength % 60 / 10) + char('0' + r.lLength % 10);
        r.nGenre = int32_t(1 + random.Below(80));
    }
    return records;
}

double PagefileBytes()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return double(pmc.PagefileUsage);
}

// Runs a step up to `rounds` times and keeps its best time; a step answers
// its seconds, or a negative value when its result was wrong. No round
// starts that would take the step past the limit on top of what it spent.
enum Outcome { DONE, OVER_LIMIT, WRONG };
template <class Step>
Outcome Best(int rounds, double& best, Step step)
{
    best = 1e30;
    double spent = 0;
    for (int i = 0; i < rounds; ++i) {
        double seconds = step();
        if (seconds < 0)
            return WRONG;
        best = std::min(best, seconds);
        spent += seconds;
        if (seconds > kLimit)
            return OVER_LIMIT;
        if (spent + seconds > kLimit)
            break;
    }
    return DONE;
}

// One row of the table: the control's best time, the baseline's, and the aim
// as a ratio, as an absolute time, or both.
struct Row {
    std::string strWhat;
    double dSeconds = 0, dBaseline = 0;
    double dRatioAim = 0, dSecondsAim = 0; // 0: no such aim
    std::string strSkipped;                // why the row has no figure
};

std::vector<Row> g_vecRows;

void Note(const std::string& what, Outcome outcome, double seconds, double baseline, double ratioAim,
          double secondsAim = 0)
{
    Row row{what, seconds, baseline, ratioAim, secondsAim, ""};
    if (outcome == OVER_LIMIT)
        row.strSkipped = "skipped: one run took " + std::to_string(int(seconds)) + " s, over the " +
                         std::to_string(int(kLimit)) + " s limit";
    g_vecRows.push_back(row);
}

void Skip(const std::string& what, const std::string& why) { g_vecRows.push_back(Row{what, 0, 0, 0, 0, why}); }

void PrintTable()
{
    std::printf("  %-48s %10s %10s %7s   %-18s\n", "operation", "control", "baseline", "ratio", "aim");
    for (const Row& r : g_vecRows) {
        if (!r.strSkipped.empty()) {
            std::printf("  %-48s %s\n", r.strWhat.c_str(), r.strSkipped.c_str());
            continue;
        }
        double ratio = r.dSeconds / r.dBaseline;
        std::string aim;
        bool met = true;
        if (r.dRatioAim > 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2fx", r.dRatioAim);
            aim = text;
            met = ratio <= r.dRatioAim;
        }
        if (r.dSecondsAim > 0) {
            aim += (aim.empty() ? "" : ", ") + std::to_string(int(r.dSecondsAim * 1e3 + 0.5)) + " ms";
            met = met && r.dSeconds <= r.dSecondsAim;
        }
        std::printf("  %-48s %7.1f ms %7.1f ms %7.2f   %-18s %s\n", r.strWhat.c_str(), r.dSeconds * 1e3,
                    r.dBaseline * 1e3, ratio, aim.c_str(), met ? "met" : "missed");
    }
}

int Fail(const std::string& what)
{
    std::fprintf(stderr, "bench_lists: %s\n", what.c_str());
    return 1;
}

// The names a list shows in column 0, in its order.
std::vector<std::string> Names(HWND list)
{
    CListView view(list);
    std::vector<std::string> names(size_t(view.ItemCount()));
    std::string buffer;
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = view.ItemText(int(i), 0, buffer);
    return names;
}

// The baseline of the filter: every record's file name, title, artist and
// album searched for each word, ignoring ASCII case as the runtime's
// comparisons do; answers how many records hold every word.
char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool Holds(const char* text, const std::string& word) // word in lower case
{
    for (; *text; ++text) {
        size_t i = 0;
        while (i < word.size() && Fold(text[i]) == word[i])
            ++i;
        if (i == word.size())
            return true;
    }
    return word.empty();
}

std::vector<std::string> LowerWords(const std::string& text)
{
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        size_t end = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, end - at);
        std::transform(word.begin(), word.end(), word.begin(), Fold);
        words.push_back(word);
        at = end;
    }
    return words;
}

size_t CountMatching(const std::vector<const CMusicInfo*>& records, const std::vector<std::string>& words)
{
    size_t shown = 0;
    for (const CMusicInfo* r : records) {
        bool all = true;
        for (const std::string& w : words)
            if (!Holds(r->m_strFileName.c_str(), w) && !Holds(r->m_strTitle.c_str(), w) &&
                !Holds(r->m_strArtist.c_str(), w) && !Holds(r->m_strAlbum.c_str(), w)) {
                all = false;
                break;
            }
        shown += all;
    }
    return shown;
}

// The baseline of switching views and opening a group: the rows built in an
// array, each with the two texts a row carries.
struct BareRow {
    std::string strKey, strText;
};

std::string Milliseconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    return text;
}

double BuildRows(const std::vector<std::pair<const char*, const char*>>& texts)
{
    double start = Now();
    std::vector<BareRow> rows;
    rows.reserve(texts.size());
    for (const auto& t : texts)
        rows.push_back(BareRow{t.first, t.second});
    return Now() - start;
}

class CListsBench {
public:
    CListsBench(const std::string& drive, int records) : m_strRoot(drive + "\\lists"), m_nRecords(records) {}
    int Run();

private:
    // A write of View, and the control's painting after it, each timed when
    // asked; false when the view's list is not the one shown.
    bool SetView(LONG view, double* call = nullptr, double* paint = nullptr)
    {
        double start = Now();
        bool put = SUCCEEDED(Put(m_pCtrl, L"View", LongArg(view)).hr);
        double middle = Now();
        UpdateWindow(m_hFrame);
        if (call)
            *call = middle - start;
        if (paint)
            *paint = Now() - middle;
        HWND shown = FindShownList(m_hFrame);
        if (view == kArtistView && shown != m_hFiles)
            m_hGroups = shown;
        return put && shown && shown == (view == kFileView ? m_hFiles : m_hGroups);
    }
    int Sorting();
    int Filtering(const char* where, HWND list);
    int Export();
    int Switching();
    int OpeningGroup();

    std::string m_strRoot;
    int m_nRecords;
    std::unique_ptr<bench::HostedControl> m_pHost = std::make_unique<bench::HostedControl>();
    IDispatch* m_pCtrl = nullptr;
    HWND m_hFrame = nullptr, m_hFiles = nullptr, m_hGroups = nullptr;
    CCatalogue m_own; // the same file, loaded by the benchmark
    std::vector<const CMusicInfo*> m_vecRecords;
    bool m_bFilterText = false;
};

int CListsBench::Run()
{
    double t0 = Now();
    std::string cache = bench::WriteCatalogue(m_strRoot, MakeRecords(m_nRecords));
    double written = Now() - t0;
    if (!m_pHost->Create(800, 500, 800, 500))
        return Fail("the control is not registered");
    m_pCtrl = m_pHost->pDispatch;
    m_hFrame = m_pHost->hFrame;
    Put(m_pCtrl, L"Style", LongArg(2));

    // The file view shows every record once the file is read and painted.
    double before = PagefileBytes();
    t0 = Now();
    HRESULT hr = InvokeByName(m_pCtrl, L"LoadFile", DISPATCH_METHOD, {StrArg(cache)});
    UpdateWindow(m_hFrame);
    double load = Now() - t0;
    double perRecord = (PagefileBytes() - before) / m_nRecords;
    m_hFiles = FindShownList(m_hFrame);
    if (FAILED(hr) || !m_hFiles || CListView(m_hFiles).ItemCount() != m_nRecords)
        return Fail("the file list does not show every record");
    std::printf("lists of %d records: cache file and its files written in %.1f s, the first LoadFile %.1f s\n",
                m_nRecords, written, load);
    std::fflush(stdout);

    const double ownBefore = PagefileBytes();
    t0 = Now();
    LoadFile(m_own, cache.c_str());
    double bareLoad = Now() - t0;
    const double catalogueOnly = (PagefileBytes() - ownBefore) / m_nRecords;
    if (m_own.Files().size() != size_t(m_nRecords))
        return Fail("the benchmark's own catalogue does not hold every record");
    for (const auto& file : m_own.Files())
        m_vecRecords.push_back(file.second.get());
    Note("LoadFile, file rows shown and painted", load > kLimit ? OVER_LIMIT : DONE, load, bareLoad, 1.10);

    // Until the property exists its rows say so and the rest goes on.
    DISPID filterId = IdOf(m_pCtrl, L"FilterText");
    m_bFilterText = filterId != DISPID_UNKNOWN;
    if (!m_bFilterText)
        std::printf("FilterText is not there (GetIDsOfNames fails): its rows are skipped\n");
    else if (filterId != kFilterTextId)
        std::printf("FilterText answers DISPID %ld, not %ld\n", long(filterId), long(kFilterTextId));

    int rc = Sorting();
    rc = rc ? rc : Filtering("file list", m_hFiles);
    rc = rc ? rc : Export();
    rc = rc ? rc : Switching();
    rc = rc ? rc : OpeningGroup();
    rc = rc ? rc : Filtering("artist view", m_hGroups);
    if (rc)
        return rc;

    std::printf("lists of %d records, %zu artists (best of up to %d runs):\n", m_nRecords, m_own.Artists().size(),
                kRounds);
    PrintTable();
    std::printf("memory per record: %.0f B (aim 400 B): %s; a catalogue alone, loaded here: %.0f B\n", perRecord,
                perRecord <= 400 ? "met" : "missed", catalogueOnly);
    t0 = Now();
    m_pHost.reset();
    std::printf("the control released and its window destroyed in %.1f s\n", Now() - t0);
    return 0;
}

// Clicks on the Name header, each on a list that a click on Time left in
// its order, against a stable sort of the names in the order the list had.
int CListsBench::Sorting()
{
    const platform::CCaseOrder& order = m_own.Order();
    double baseline = 1e30, control = 0;
    bool ascending = false; // the sort memory starts at Name, descending
    int lastColumn = 0;
    bool right = true;
    auto click = [&](int column) {
        ascending = column == lastColumn ? !ascending : false;
        lastColumn = column;
        double start = Now();
        ClickListHeader(m_hFiles, column);
        UpdateWindow(m_hFiles);
        return Now() - start;
    };
    Outcome outcome = Best(kRounds, control, [&] {
        click(1);
        std::vector<std::string> names = Names(m_hFiles);
        std::vector<const char*> keys;
        for (const std::string& n : names)
            keys.push_back(n.c_str());
        const bool up = lastColumn == 0 && !ascending; // the next click's direction
        double start = Now();
        std::stable_sort(keys.begin(), keys.end(), [&](const char* a, const char* b) {
            return up ? order.Compare(a, b) < 0 : order.Compare(b, a) < 0;
        });
        baseline = std::min(baseline, Now() - start);
        double seconds = click(0);
        const std::vector<std::string> sorted = Names(m_hFiles); // the keys point into names
        for (size_t i = 0; i < keys.size() && right; ++i)
            right = sorted[i] == keys[i];
        return right ? seconds : -1;
    });
    if (outcome == WRONG)
        return Fail("a click on the Name header did not sort the file list");
    Note("a click on the Name header (file list sorted)", outcome, control, baseline, 1.5,
         m_nRecords <= 100000 ? 0.200 : 0);
    return 0;
}

// The steps of the filter in turn, as typed, each timed until the control
// has painted; the file list shows exactly the records that hold every word.
int CListsBench::Filtering(const char* where, HWND list)
{
    const size_t steps = sizeof kFilterSteps / sizeof kFilterSteps[0];
    std::vector<std::string> what(steps);
    for (size_t s = 0; s < steps; ++s)
        what[s] = std::string("FilterText \"") + kFilterSteps[s] + "\", " + where;
    if (!m_bFilterText) {
        for (const std::string& w : what)
            Skip(w, "skipped: FilterText is not there");
        return 0;
    }
    std::vector<size_t> expected(steps);
    std::vector<double> control(steps, 1e30), baseline(steps);
    std::vector<Outcome> outcome(steps, DONE);
    for (size_t s = 0; s < steps; ++s) {
        std::vector<std::string> words = LowerWords(kFilterSteps[s]);
        Best(kRounds, baseline[s], [&] {
            double start = Now();
            expected[s] = CountMatching(m_vecRecords, words);
            return Now() - start;
        });
    }
    bool over = false;
    for (int round = 0; round < kRounds && !over; ++round) {
        for (size_t s = 0; s < steps; ++s) {
            double start = Now();
            HRESULT hr = Put(m_pCtrl, L"FilterText", StrArg(kFilterSteps[s])).hr;
            UpdateWindow(m_hFrame);
            double seconds = Now() - start;
            if (FAILED(hr) || (list == m_hFiles && size_t(CListView(list).ItemCount()) != expected[s]))
                return Fail(what[s] + ": the list does not show the " + std::to_string(expected[s]) +
                            " records that hold every word");
            if (round == 0)
                std::printf("  %s: %d rows shown, %zu records hold every word\n", what[s].c_str(),
                            CListView(list).ItemCount(), expected[s]);
            control[s] = std::min(control[s], seconds);
            if (seconds > kLimit)
                outcome[s] = OVER_LIMIT, over = true;
        }
    }
    for (size_t s = 0; s < steps; ++s)
        Note(what[s], outcome[s], control[s], baseline[s], 0, m_nRecords <= 100000 ? 0.050 : 0.500);
    return 0;
}

// GetSelectedItems of every row against the string array of the same paths.
int CListsBench::Export()
{
    CListView files(m_hFiles);
    files.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    if (files.SelectedCount() != m_nRecords)
        return Fail("not every row is selected");
    std::vector<std::string> paths;
    for (const CMusicInfo* r : m_vecRecords)
        paths.push_back(r->m_strPath.c_str());
    double control = 0, baseline = 0;
    Outcome outcome = Best(kRounds, control, [&] {
        short reported = 0;
        VARIANT result;
        double start = Now();
        HRESULT hr = bench::SelectedItems(m_pCtrl, result, reported);
        double seconds = Now() - start;
        bool right = SUCCEEDED(hr) && result.vt == (VT_ARRAY | VT_BSTR) &&
                     bench::HoldsPaths(result.parray, paths) &&
                     reported == std::min(m_nRecords, 32767); // the short count stops at its largest value
        VariantClear(&result);
        return right ? seconds : -1;
    });
    if (outcome == WRONG)
        return Fail("GetSelectedItems did not answer every selected path");
    Best(kRounds, baseline, [&] {
        double start = Now();
        SAFEARRAY* array = bench::BareArray(paths);
        double seconds = Now() - start;
        bool right = bench::HoldsPaths(array, paths);
        SafeArrayDestroy(array);
        return right ? seconds : -1;
    });
    files.SetItemState(-1, 0, LVIS_SELECTED);
    Note("GetSelectedItems, every row selected", outcome, control, baseline, 1.3);
    return 0;
}

// To the artist view and back, each against building the rows the view
// then shows: a row for every artist, a row for every record.
int CListsBench::Switching()
{
    std::vector<std::pair<const char*, const char*>> artistRows, fileRows;
    for (const auto& group : m_own.Artists())
        artistRows.emplace_back(group.first.c_str(), group.first.c_str());
    for (const CMusicInfo* r : m_vecRecords)
        fileRows.emplace_back(r->m_strPath.c_str(), r->m_strFileName.c_str());
    double toArtists = 1e30, toFiles = 1e30, bareArtists = 0, bareFiles = 0, spent = 0;
    double paintArtists = 1e30, paintFiles = 1e30;
    for (int round = 0; round < kRounds && spent < kLimit; ++round) {
        double start = Now(), call = 0, paint = 0;
        if (!SetView(kArtistView, &call, &paint))
            return Fail("the artist view is not shown");
        toArtists = std::min(toArtists, call);
        paintArtists = std::min(paintArtists, paint);
        if (!SetView(kFileView, &call, &paint))
            return Fail("the file view is not shown");
        toFiles = std::min(toFiles, call);
        paintFiles = std::min(paintFiles, paint);
        spent += Now() - start;
    }
    Best(kRounds, bareArtists, [&] { return BuildRows(artistRows); });
    Best(kRounds, bareFiles, [&] { return BuildRows(fileRows); });
    Note("switching to the artist view (the call)", toArtists > kLimit ? OVER_LIMIT : DONE, toArtists, bareArtists,
         1.2);
    Skip("  and the paint that follows", Milliseconds(paintArtists));
    Note("switching back to the file view (the call)", toFiles > kLimit ? OVER_LIMIT : DONE, toFiles, bareFiles, 1.2);
    Skip("  and the paint that follows", Milliseconds(paintFiles));
    return 0;
}

// A click that opens the group of 2,000 in the artist view, until the list
// has painted, against building its 2,000 rows; a second click closes it.
int CListsBench::OpeningGroup()
{
    if (!SetView(kArtistView))
        return Fail("the artist view is not shown");
    CListView groups(m_hGroups);
    std::vector<std::string> names = Names(m_hGroups);
    int at = int(std::find(names.begin(), names.end(), kBigArtist) - names.begin());
    const int shown = groups.ItemCount();
    RECT r;
    if (at == shown || !groups.EnsureVisible(at) || !groups.ItemRect(at, r))
        return Fail("the artist view has no row for the group of 2,000");
    const LPARAM point = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    double paint = 1e30;
    auto click = [&] { // answers the time of the click itself
        double start = Now();
        SendMessageA(m_hGroups, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(m_hGroups, WM_LBUTTONUP, 0, point);
        double middle = Now();
        UpdateWindow(m_hGroups);
        paint = std::min(paint, Now() - middle);
        return middle - start;
    };
    double control = 0, baseline = 0;
    Outcome outcome = Best(kRounds, control, [&] {
        double seconds = click();
        bool right = groups.ItemCount() == shown + kBigGroup;
        click();
        return right && groups.ItemCount() == shown ? seconds : -1;
    });
    if (outcome == WRONG)
        return Fail("a click did not open and close the group of 2,000");
    std::vector<std::pair<const char*, const char*>> rows;
    for (const CMusicInfo* info : m_own.Artists().find(kBigArtist)->second)
        rows.emplace_back(info->m_strPath.c_str(), info->m_strFileName.c_str());
    Best(kRounds, baseline, [&] { return BuildRows(rows); });
    Note("opening a group of 2,000 (the click)", outcome, control, baseline, 1.2);
    Skip("  and the paint that follows", Milliseconds(paint));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_lists DRIVE [RECORDS]\n");
        return 2;
    }
    OleInitialize(nullptr);
    int rc = CListsBench(argv[1], argc > 2 ? std::atoi(argv[2]) : 100000).Run();
    OleUninitialize();
    return rc;
}
