// The component's index file: kept between processes, built again when the
// folder's contents change or the file is damaged, built ahead by
// CddbImport.exe (which shows its progress, goes on after being stopped, and
// shares the index with other processes opening it at once).
#include "CddbFixture.h"
#include <shlobj.h>
#include <algorithm>
#include <functional>

namespace {

std::wstring ImportPath()
{
    std::string path = HostPath(TW_CDDB_IMPORT_PATH);
    return std::wstring(path.begin(), path.end());
}

// CddbImport.exe running with its output on a pipe.
class CImportRun {
public:
    explicit CImportRun(const std::wstring& args)
    {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        HANDLE write = nullptr;
        CreatePipe(&m_read, &write, &sa, 0);
        SetHandleInformation(m_read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = write;
        std::wstring line = L"\"" + ImportPath() + L"\" " + args;
        PROCESS_INFORMATION pi = {};
        EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &si, &pi));
        CloseHandle(write);
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
    }
    ~CImportRun()
    {
        if (m_process) {
            TerminateProcess(m_process, 9);
            CloseHandle(m_process);
        }
        CloseHandle(m_read);
    }
    // The next line of output; false at its end.
    bool Line(std::string& line)
    {
        line.clear();
        char c;
        DWORD n;
        while (ReadFile(m_read, &c, 1, &n, nullptr) && n == 1) {
            m_output += c;
            if (c == '\n')
                return true;
            if (c != '\r')
                line += c;
        }
        return !line.empty();
    }
    // Everything it writes until it ends, and its exit code.
    DWORD Finish()
    {
        std::string line;
        while (Line(line)) {
        }
        WaitForSingleObject(m_process, 60000);
        DWORD code = 99;
        GetExitCodeProcess(m_process, &code);
        return code;
    }
    void Kill() { TerminateProcess(m_process, 9), WaitForSingleObject(m_process, 10000); }
    const std::string& Output() const { return m_output; }

private:
    HANDLE m_read = nullptr, m_process = nullptr;
    std::string m_output;
};

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// The index file CddbImport.exe names for a folder: the first word of its first line.
std::wstring IndexFileOf(const std::wstring& folder)
{
    CImportRun run(Quoted(folder));
    std::string line;
    run.Line(line);
    run.Finish();
    std::string path = line.substr(0, line.find(".sqlite") + 7);
    return std::wstring(path.begin(), path.end());
}

void WriteBytes(const std::wstring& path, const std::string& bytes, LONGLONG at = -1)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, at < 0 ? CREATE_ALWAYS : OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER pos;
    pos.QuadPart = std::max<LONGLONG>(at, 0);
    SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

LONGLONG FileLength(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return LONGLONG(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

void Truncate(const std::wstring& path, LONGLONG length)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER pos;
    pos.QuadPart = length;
    SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

const wchar_t kDirect[] = L"M:\\The Lanterns\\Harbour Lights\\02 Signal Fires.mp3";
const wchar_t kCandidates[] = L"M:\\Music\\Paper Moons\\07 Unknown.mp3";

class CddbIndex : public CddbLookup {
protected:
    void Close()
    {
        Drop(service);
        if (component) {
            EXPECT_EQ(component->Release(), 0u);
        }
        component = nullptr;
    }
    // Many discs of invented artists beside the sample ones, and two damaged files.
    void ManyDiscs(int nCount)
    {
        db.Lanterns();
        const wchar_t* categories[] = {L"blues", L"jazz", L"rock"};
        for (int i = 0; i < nCount; ++i) {
            wchar_t id[16];
            swprintf(id, 16, L"%08x", 0x70000000 + i);
            db.Disc(categories[i % 3], id, "Artist " + std::to_string(i % 97) + " / Album " + std::to_string(i),
                    "Jazz", {"One", "Two"});
        }
        db.Write(L"rock", L"0badf00d", "not a disc file");
        db.Write(L"jazz", L"0badf00e", "# xmcd\nno title here\n");
    }
};

} // namespace

// A new process's component answers from the index file without reading the
// disc files: with every file overwritten in place (the folders look as they
// did), it answers as before. A file that comes makes the index built anew,
// from the files as they are then.
TEST_F(CddbIndex, IsKeptAndFollowsTheFolder)
{
    db.Lanterns();
    Open();
    const std::wstring direct = Lookup(kDirect), candidates = Lookup(kCandidates);
    EXPECT_EQ(direct, L"2 The Lanterns|Harbour Lights|Signal Fires|(17)");
    EXPECT_EQ(candidates, L"0: Tessa Lowe / Paper Moons; Mira Holt / Paper Moons");
    Close();

    for (const wchar_t* file : {L"rock\\1a02b304", L"misc\\1a02b304", L"rock\\2b03c403", L"misc\\3c04d505",
                                L"folk\\4d05e603", L"jazz\\5e06f703", L"misc\\6f07a802"})
        WriteBytes(db.Folder() + L"\\" + file, "gone");
    // The process's own index is let go with its last holder; a new one comes from the file.
    Open();
    EXPECT_EQ(Lookup(kDirect), direct);
    EXPECT_EQ(Lookup(kCandidates), candidates);
    EXPECT_EQ(component->TestStatus(0), S_OK);
    Close();

    db.Disc(L"jazz", L"7a08b903", "Nightjar / Dusk Variations", "Jazz", {"Owl Light", "Moth Waltz"});
    Open();
    EXPECT_EQ(Lookup(kDirect), L"0: <none>");
    EXPECT_EQ(Lookup(L"M:\\Nightjar\\Dusk Variations\\02 Moth Waltz.mp3"),
              L"2 Nightjar|Dusk Variations|Moth Waltz|(8)");
}

// An index file cut short, with a damaged header, emptied or replaced by other
// bytes fails the check at open: the next component builds it again and
// answers as before, and the file passes the check in another process.
TEST_F(CddbIndex, DamagedFilesAreBuiltAgain)
{
    db.Lanterns();
    Open();
    const std::wstring direct = Lookup(kDirect), candidates = Lookup(kCandidates);
    Close();
    const std::wstring path = IndexFileOf(db.Folder());
    ASSERT_FALSE(path.empty());
    const LONGLONG length = FileLength(path);
    ASSERT_GT(length, 4096);

    struct {
        const char* name;
        std::function<void()> damage;
    } cases[] = {
        {"cut to half", [&] { Truncate(path, length / 2); }},
        {"a page short", [&] { Truncate(path, length - 4096); }},
        {"header overwritten", [&] { WriteBytes(path, std::string(100, '\xA5'), 0); }},
        {"the state's page overwritten", [&] { WriteBytes(path, std::string(4096, '\0'), 4096); }},
        {"empty", [&] { Truncate(path, 0); }},
        {"other bytes", [&] { WriteBytes(path, std::string(9000, 'x')); }},
    };
    for (auto& c : cases) {
        c.damage();
        Open();
        EXPECT_EQ(Lookup(kDirect), direct) << c.name;
        EXPECT_EQ(Lookup(kCandidates), candidates) << c.name;
        Close();
        CImportRun check(Quoted(db.Folder()));
        EXPECT_EQ(check.Finish(), 0u);
        EXPECT_NE(check.Output().find(".sqlite: complete, 7 discs, 0 damaged"), std::string::npos)
            << c.name << ": " << check.Output();
    }
}

// CddbImport.exe shows its progress and counts damaged files; killed in the
// middle, it goes on from its last batch when started again and ends with
// the whole index. Two imports started at once after the folder changed, and
// a component in this process, all get it: one builds, the others wait for it.
TEST_F(CddbIndex, ImportGoesOnAfterAStopAndIsShared)
{
    ManyDiscs(4500);
    {
        CImportRun first(Quoted(db.Folder()));
        std::string line;
        bool bProgress = false;
        while (!bProgress && first.Line(line))
            bProgress = line.find(" discs, ") != std::string::npos && line.find("  0 discs") == std::string::npos;
        ASSERT_TRUE(bProgress) << first.Output();
        first.Kill();
    }
    CImportRun second(Quoted(db.Folder()));
    EXPECT_EQ(second.Finish(), 0u);
    EXPECT_NE(second.Output().find("going on from a stopped build"), std::string::npos) << second.Output();
    EXPECT_NE(second.Output().find("complete: 4507 discs, 2 damaged files skipped"), std::string::npos)
        << second.Output();
    Open();
    EXPECT_EQ(Lookup(kDirect), L"2 The Lanterns|Harbour Lights|Signal Fires|(17)");
    // A disc of the last batches, written after the stop.
    const std::wstring artist = L"Artist " + std::to_wstring(4005 % 97);
    EXPECT_EQ(Lookup((L"M:\\" + artist + L"\\Album 4005\\02 Two.mp3").c_str()), L"2 " + artist + L"|Album 4005|Two|(8)");
    Close();

    db.Disc(L"rock", L"7a08b903", "Nightjar / Dusk Variations", "Jazz", {"Owl Light", "Moth Waltz"});
    CImportRun a(Quoted(db.Folder())), b(Quoted(db.Folder()));
    Open();
    EXPECT_EQ(Lookup(L"M:\\Nightjar\\Dusk Variations\\02 Moth Waltz.mp3"),
              L"2 Nightjar|Dusk Variations|Moth Waltz|(8)");
    EXPECT_EQ(a.Finish(), 0u);
    EXPECT_EQ(b.Finish(), 0u);
    for (const std::string& out : {a.Output(), b.Output()})
        EXPECT_NE(out.find("4508 discs, 2 damaged files skipped"), std::string::npos) << out;
    // None built it twice over: at most one of the two built (the component may have been first).
    const bool bBuiltA = a.Output().find("\n  from ") != std::string::npos;
    const bool bBuiltB = b.Output().find("\n  from ") != std::string::npos;
    EXPECT_FALSE(bBuiltA && bBuiltB) << a.Output() << b.Output();
}
