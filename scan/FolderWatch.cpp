#include "FolderWatch.h"
#include "DirWatch.h"
#include "catalogue/Extensions.h"
#include "catalogue/Messages.h"
#include "catalogue/SearchRequests.h"
#include "platform/win32/WidePath.h"
#include <algorithm>
#include <map>
#include <memory>

namespace {

const DWORD kLookMs = 100;      // how often the pending paths are looked at
const DWORD kRetryMs = 2000;    // how often a root that went away is looked for
const DWORD kBufferBytes = 65536; // the most a share takes
const size_t kBatchMax = 512;
// File systems that keep write times in steps of two seconds: a comparison
// with the catalogue takes files written a little before it was out of step.
const uint64_t kSlack = 2 * 10000000ull;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

uint64_t Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

uint64_t Time(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// Long paths in the form the wide calls take beyond their length limit.
std::u16string WidePath(const std::string& path, platform::TextCode code) { return platform::WidePath({path, code}); }

// A name of the system's in the control's code; false when the ANSI code
// page has no place for it (the walk would not find that file either).
bool NameInCode(const wchar_t* name, size_t n, platform::TextCode code, std::string& out)
{
    const uint16_t* w = reinterpret_cast<const uint16_t*>(name);
    out = platform::WideToText(w, n, code);
    return code == platform::CODE_UTF8 || platform::AnsiToWide(out) == std::u16string(w, w + n);
}

// A copy in progress holds the file open for writing: it cannot be opened
// then by a reader that lets nobody write.
bool OpensForReading(const std::string& path, platform::TextCode code)
{
    HANDLE h = CreateFileW(W(WidePath(path, code)), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}



class CWatcher {
public:
    CWatcher(HWND hViewWnd, HANDLE hStop, HANDLE hArmed, std::vector<WatchRoot> roots, platform::TextCode code)
        : m_hViewWnd(hViewWnd), m_hStop(hStop), m_hArmed(hArmed), m_code(code)
    {
        for (WatchRoot& root : roots)
            m_roots.push_back(std::make_unique<CRoot>(std::move(root)));
    }
    void Run();
    void SetRoots(std::vector<WatchRoot> roots, platform::TextCode code);

private:
    struct CRoot {
        explicit CRoot(WatchRoot r) : root(std::move(r)) {}
        WatchRoot root;
        std::unique_ptr<CDirWatch> tree = std::make_unique<CDirWatch>(); // the root and all under it
        CDirWatch parent; // the folder that holds it, for its coming and going (none for a drive or a share)
        std::u16string strLeaf; // the root's name in that folder
        bool bUp = false;
        uint64_t nLastGood = 0; // when its changes were last all known
    };
    struct CPending {
        DWORD nTick = 0;     // of the last event, or of the last look that found it changing
        std::string strRoot;
        bool bWalk = false;  // a folder here arrived: its files are looked for
        bool bKnown = false; // size and time as the walk saw them, for a file no event reports
        uint64_t nSize = 0, nTime = 0;
        uint64_t nSince = 0;
    };

    bool Open(CRoot& root);
    void Down(CRoot& root);
    CRoot* Find(const std::string& key);
    void Collect(CRoot& root);
    void CollectParent(CRoot& root);
    void Note(const std::string& path, const CRoot& root, bool walk);
    void Resync(CRoot& root, uint64_t since);
    // Files of the root's patterns under a folder become pending, unless only
    // the folders are opened: Wine's recursive watch covers a folder that
    // existed before it only once the folder has been opened.
    void Walk(const std::string& folder, const CRoot& root, uint64_t since, bool files = true);
    void Look();
    void RetryDown();
    bool Send();
    std::u16string OpenPath(const std::string& key) const { return WidePath(CSearchRequests::RootFolder(key), m_code); }

    HWND m_hViewWnd;
    HANDLE m_hStop;
    HANDLE m_hArmed; // set once every root is watched; the thread's own copy
    platform::TextCode m_code;
    std::vector<std::unique_ptr<CRoot>> m_roots; // never moved while a read is pending
    std::map<std::string, CPending> m_pending;
    std::vector<WatchChange> m_ready;
    DWORD m_nLastLook = 0;
    DWORD m_nLastRetry = 0;
};

const DWORD kTreeFilter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

// The folder holding a root and the root's name in it, from the root's full
// path; false for a drive's root folder and a share, which no folder holds.
bool ParentOf(const std::u16string& root, std::u16string& parent, std::u16string& leaf)
{
    wchar_t full[32768];
    DWORD n = GetFullPathNameW(reinterpret_cast<const wchar_t*>(root.c_str()), 32768, full, nullptr);
    if (n == 0 || n >= 32768)
        return false;
    std::u16string path(reinterpret_cast<const char16_t*>(full), n);
    while (path.size() > 3 && path.back() == u'\\')
        path.pop_back();
    size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos || slash + 1 == path.size())
        return false;
    if (path.compare(0, 2, u"\\\\") == 0 && std::count(path.begin(), path.begin() + long(slash), u'\\') < 3)
        return false; // \\server\share
    parent = path.substr(0, slash == 2 ? 3 : slash); // C:\ keeps its backslash
    leaf = path.substr(slash + 1);
    return true;
}

bool SameName(const std::u16string& a, const std::u16string& b)
{
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.c_str()), int(a.size()),
                                reinterpret_cast<const wchar_t*>(b.c_str()), int(b.size()), TRUE) == CSTR_EQUAL;
}

bool CWatcher::Open(CRoot& root)
{
    const std::u16string path = OpenPath(root.root.strKey);
    std::u16string parent;
    if (!root.parent.IsOpen() && ParentOf(path, parent, root.strLeaf))
        root.parent.Open(parent, 4096, false, FILE_NOTIFY_CHANGE_DIR_NAME);
    root.nLastGood = Now();
    root.bUp = root.tree->Open(path, kBufferBytes, true, kTreeFilter);
    if (root.bUp)
        Walk(root.root.strKey, root, 0, false);
    return root.bUp;
}

// The root went away (an unplugged drive, a share that stopped answering, a
// folder deleted or moved): its records stay, and it is watched again when
// it comes back.
void CWatcher::Down(CRoot& root)
{
    root.tree->Close();
    root.bUp = false;
    for (auto it = m_pending.begin(); it != m_pending.end();)
        it = it->second.strRoot == root.root.strKey ? m_pending.erase(it) : std::next(it);
    m_nLastRetry = GetTickCount();
}

CWatcher::CRoot* CWatcher::Find(const std::string& key)
{
    for (auto& root : m_roots)
        if (root->root.strKey == key)
            return root.get();
    return nullptr;
}

void CWatcher::Note(const std::string& path, const CRoot& root, bool walk)
{
    CPending& p = m_pending[path];
    p.nTick = GetTickCount();
    p.strRoot = root.root.strKey;
    p.bWalk = p.bWalk || walk;
    p.bKnown = false; // an event says it changed: quiet from now on
    p.nSince = 0;
}

void CWatcher::Collect(CRoot& root)
{
    const uint64_t since = root.nLastGood;
    std::vector<CDirWatch::Change> changes;
    switch (root.tree->Take(changes)) {
    case CDirWatch::FAILED: Down(root); return;
    case CDirWatch::OVERFLOWED: // compare the root with the catalogue
        root.nLastGood = Now();
        Resync(root, since);
        return;
    case CDirWatch::REPORTED: break;
    }
    root.nLastGood = Now();
    bool renamedFolder = false;
    for (const CDirWatch::Change& change : changes) {
        std::string rel;
        if (!NameInCode(reinterpret_cast<const wchar_t*>(change.strName.data()), change.strName.size(), m_code, rel))
            continue;
        const std::string path = root.root.strKey + "\\" + rel;
        switch (change.nAction) {
        case FILE_ACTION_ADDED: Note(path, root, true); break;
        case FILE_ACTION_RENAMED_NEW_NAME:
            Note(path, root, true);
            renamedFolder = renamedFolder || ProbeFile(path, m_code).bFolder;
            break;
        case FILE_ACTION_REMOVED:
        case FILE_ACTION_RENAMED_OLD_NAME: Note(path, root, false); break;
        case FILE_ACTION_MODIFIED:
            if (MatchPathExtension(path, root.root.strExtensions, m_code))
                Note(path, root, false);
            break;
        default: break;
        }
    }
    // Some systems go on reporting a renamed folder's files under its old
    // name: a new watch sees the names as they are. It is opened before the
    // old one closes, so that no change falls between them.
    if (renamedFolder) {
        auto fresh = std::make_unique<CDirWatch>();
        if (fresh->Open(OpenPath(root.root.strKey), kBufferBytes, true, kTreeFilter)) {
            root.tree.swap(fresh);
            Walk(root.root.strKey, root, 0, false);
        }
    }
}

// The folder holding the root: the root's own name leaving or arriving.
void CWatcher::CollectParent(CRoot& root)
{
    std::vector<CDirWatch::Change> changes;
    CDirWatch::Result result = root.parent.Take(changes);
    bool gone = false, back = result != CDirWatch::REPORTED; // after an overflow or a failure: look
    for (const CDirWatch::Change& change : changes) {
        if (!SameName(change.strName, root.strLeaf))
            continue;
        if (change.nAction == FILE_ACTION_REMOVED || change.nAction == FILE_ACTION_RENAMED_OLD_NAME)
            gone = true, back = false;
        else if (change.nAction == FILE_ACTION_ADDED || change.nAction == FILE_ACTION_RENAMED_NEW_NAME)
            back = true, gone = false;
    }
    if (back && ProbeFile(CSearchRequests::RootFolder(root.root.strKey), m_code).bFolder) {
        // Back, or moved back: watched from now on, and compared with the catalogue.
        const uint64_t since = root.nLastGood;
        root.tree->Close();
        if (Open(root))
            Resync(root, since);
    } else if (gone && root.bUp) {
        Down(root);
    }
}

// Changes went unreported: every file under the root is looked at as if it
// had just arrived, and records whose files are gone leave.
void CWatcher::Resync(CRoot& root, uint64_t since)
{
    WatchChange sweep;
    sweep.nKind = WatchChange::GONE;
    sweep.strPath = root.root.strKey;
    m_ready.push_back(sweep);
    Walk(root.root.strKey, root, since > kSlack ? since - kSlack : 1);
}

// Hidden folders are not entered, as the search does not enter them.
void CWatcher::Walk(const std::string& folder, const CRoot& root, uint64_t since, bool files)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(W(WidePath(folder + "\\*", m_code)), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name;
        if (!NameInCode(data.cFileName, wcslen(data.cFileName), m_code, name) || name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN))
                Walk(path, root, since, files);
            continue;
        }
        if (!files || !MatchPathExtension(name, root.root.strExtensions, m_code) || m_pending.count(path))
            continue;
        CPending& p = m_pending[path];
        p.nTick = GetTickCount();
        p.strRoot = root.root.strKey;
        p.bKnown = true;
        p.nSize = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        p.nTime = Time(data.ftLastWriteTime);
        p.nSince = since;
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// Paths that have been quiet for a second become changes: gone, a folder to
// walk, or a file that opens for reading and kept its size and time.
void CWatcher::Look()
{
    const DWORD now = GetTickCount();
    if (now - m_nLastLook < kLookMs)
        return;
    m_nLastLook = now;
    std::map<std::string, bool> rootThere;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        CPending& p = it->second;
        if (now - p.nTick < CFolderWatch::kQuietMs) {
            ++it;
            continue;
        }
        CRoot* root = Find(p.strRoot);
        if (!root || !root->bUp) {
            it = m_pending.erase(it);
            continue;
        }
        auto there = rootThere.find(p.strRoot);
        if (there == rootThere.end())
            there = rootThere.emplace(p.strRoot, ProbeFile(CSearchRequests::RootFolder(p.strRoot), m_code).bExists).first;
        if (!there->second) { // the root itself went: nothing under it is taken for gone
            Down(*root); // which drops the root's pending paths
            it = m_pending.begin();
            continue;
        }
        const std::string& path = it->first;
        FileState state = ProbeFile(path, m_code);
        if (!state.bExists) {
            WatchChange gone;
            gone.strPath = path;
            m_ready.push_back(gone);
        } else if (state.bFolder) {
            if (p.bWalk && !state.bHidden)
                Walk(path, *root, p.nSince);
        } else if (MatchPathExtension(path, root->root.strExtensions, m_code)) {
            if (p.bKnown && (state.nSize != p.nSize || state.nTime != p.nTime)) {
                p.nSize = state.nSize, p.nTime = state.nTime, p.nTick = now;
                ++it;
                continue;
            }
            if (!OpensForReading(path, m_code)) {
                p.nTick = now; // still being written
                ++it;
                continue;
            }
            WatchChange present;
            present.nKind = WatchChange::PRESENT;
            present.strPath = path;
            present.nSize = state.nSize;
            present.nWriteTime = state.nTime;
            present.nSince = p.nSince;
            m_ready.push_back(present);
        }
        it = m_pending.erase(it);
    }
}

void CWatcher::RetryDown()
{
    if (GetTickCount() - m_nLastRetry < kRetryMs)
        return;
    m_nLastRetry = GetTickCount();
    for (auto& root : m_roots) {
        if (root->bUp || root->parent.IsOpen())
            continue; // up, or its folder tells when it comes back
        uint64_t since = root->nLastGood;
        if (Open(*root))
            Resync(*root, since);
    }
}

// The ready changes, a batch at a time; false when the view no longer takes them.
bool CWatcher::Send()
{
    size_t from = 0;
    while (from < m_ready.size()) {
        if (WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0)
            return false;
        WatchBatch batch;
        size_t n = std::min(kBatchMax, m_ready.size() - from);
        batch.changes.assign(std::make_move_iterator(m_ready.begin() + long(from)),
                             std::make_move_iterator(m_ready.begin() + long(from + n)));
        from += n;
        SendMessageW(m_hViewWnd, UM_WATCHCHANGES, 0, LPARAM(&batch));
        if (!batch.bTaken) {
            m_ready.clear();
            return false;
        }
    }
    m_ready.clear();
    return true;
}

void CWatcher::Run()
{
    for (auto& root : m_roots)
        Open(*root);
    SetEvent(m_hArmed);
    CloseHandle(m_hArmed);
    m_nLastRetry = GetTickCount();
    for (;;) {
        // Each root's two watches, as many as one wait takes.
        std::vector<HANDLE> handles{m_hStop};
        std::vector<std::pair<CRoot*, bool>> which{{nullptr, false}}; // the root, and whether its parent's
        bool polled = false;
        for (auto& root : m_roots) {
            if (root->bUp && handles.size() < MAXIMUM_WAIT_OBJECTS)
                handles.push_back(root->tree->Event()), which.emplace_back(root.get(), false);
            if (root->parent.IsOpen() && handles.size() < MAXIMUM_WAIT_OBJECTS)
                handles.push_back(root->parent.Event()), which.emplace_back(root.get(), true);
            polled = polled || (!root->bUp && !root->parent.IsOpen());
        }
        DWORD timeout = !m_pending.empty() ? kLookMs : polled ? kRetryMs : INFINITE;
        DWORD r = WaitForMultipleObjectsEx(DWORD(handles.size()), handles.data(), FALSE, timeout, TRUE);
        if (r == WAIT_OBJECT_0)
            break;
        if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + handles.size()) {
            auto fired = which[r - WAIT_OBJECT_0];
            if (fired.second)
                CollectParent(*fired.first);
            else
                Collect(*fired.first);
        }
        if (polled)
            RetryDown();
        Look();
        if (!m_ready.empty() && !Send())
            break;
    }
    m_roots.clear(); // their watches close
}

// On the watcher's thread. Roots named again keep their watch and what is
// pending under them; a change of code carries the pending paths over.
void CWatcher::SetRoots(std::vector<WatchRoot> roots, platform::TextCode code)
{
    if (code != m_code) {
        std::string out;
        std::map<std::string, CPending> pending;
        for (auto& entry : m_pending)
            if (platform::Recode(entry.first, m_code, code, out)) {
                CPending p = entry.second;
                if (platform::Recode(entry.second.strRoot, m_code, code, p.strRoot))
                    pending.emplace(out, p);
            }
        m_pending.swap(pending);
        for (WatchChange& change : m_ready)
            if (platform::Recode(change.strPath, m_code, code, out))
                change.strPath = out;
        for (auto& root : m_roots)
            if (platform::Recode(root->root.strKey, m_code, code, out))
                root->root.strKey = out;
        m_code = code;
    }
    std::vector<std::unique_ptr<CRoot>> kept;
    for (WatchRoot& named : roots) {
        std::unique_ptr<CRoot> root;
        for (auto& old : m_roots)
            if (old && old->root.strKey == named.strKey)
                root = std::move(old);
        if (root) {
            root->root.strExtensions = named.strExtensions;
        } else {
            root = std::make_unique<CRoot>(std::move(named));
            Open(*root);
        }
        kept.push_back(std::move(root));
    }
    for (auto& old : m_roots) {
        if (!old)
            continue;
        for (auto it = m_pending.begin(); it != m_pending.end();)
            it = it->second.strRoot == old->root.strKey ? m_pending.erase(it) : std::next(it);
    }
    m_roots.swap(kept);
}

struct RootsUpdate {
    CWatcher* pWatcher;
    std::vector<WatchRoot> roots;
    platform::TextCode code;
};

void CALLBACK ApplyRoots(ULONG_PTR param)
{
    std::unique_ptr<RootsUpdate> update(reinterpret_cast<RootsUpdate*>(param));
    update->pWatcher->SetRoots(std::move(update->roots), update->code);
}

DWORD WINAPI WatchThread(LPVOID param)
{
    std::unique_ptr<CWatcher> watcher(static_cast<CWatcher*>(param));
    watcher->Run();
    SleepEx(0, TRUE); // roots handed over meanwhile are freed
    return 0;
}

} // namespace

FileState ProbeFile(const std::string& path, platform::TextCode code)
{
    FileState s;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(W(WidePath(path, code)), GetFileExInfoStandard, &data))
        return s;
    s.bExists = true;
    s.bFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    s.bHidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    s.nSize = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    s.nTime = Time(data.ftLastWriteTime);
    return s;
}

bool CFolderWatch::Start(HWND hViewWnd, std::vector<WatchRoot> roots, platform::TextCode code)
{
    if (m_hThread)
        return true;
    m_hStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStop)
        return false;
    HANDLE armed = CreateEventW(nullptr, TRUE, FALSE, nullptr), threadsArmed = nullptr;
    if (armed)
        DuplicateHandle(GetCurrentProcess(), armed, GetCurrentProcess(), &threadsArmed, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    CWatcher* watcher = new CWatcher(hViewWnd, m_hStop, threadsArmed, std::move(roots), code);
    m_pWatcher = watcher;
    m_hThread = threadsArmed ? CreateThread(nullptr, 0, WatchThread, watcher, 0, nullptr) : nullptr;
    if (!m_hThread) {
        delete watcher;
        if (threadsArmed)
            CloseHandle(threadsArmed);
        CloseHandle(m_hStop);
        m_hStop = nullptr;
        m_pWatcher = nullptr;
    } else {
        // Changes made once the property is set are seen: the roots are
        // watched before this returns, unless a share is slow to answer.
        HANDLE wait[2] = {armed, m_hThread};
        WaitForMultipleObjects(2, wait, FALSE, kArmMs);
    }
    if (armed)
        CloseHandle(armed);
    return m_hThread != nullptr;
}

void CFolderWatch::SetRoots(std::vector<WatchRoot> roots, platform::TextCode code)
{
    if (!m_hThread)
        return;
    auto* update = new RootsUpdate{static_cast<CWatcher*>(m_pWatcher), std::move(roots), code};
    if (!QueueUserAPC(ApplyRoots, m_hThread, ULONG_PTR(update)))
        delete update;
}

void CFolderWatch::Stop()
{
    if (!m_hThread)
        return;
    SetEvent(m_hStop);
    // The watcher may be waiting on a batch it sent: its messages are
    // answered (and refused, the watch being stopped) until it has ended.
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &m_hThread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(m_hThread);
    CloseHandle(m_hStop);
    m_hThread = m_hStop = nullptr;
    m_pWatcher = nullptr;
}
