#include "../PlatformFile.h"
#include "MemFs.h"
#include <cerrno>
#include <map>
#include <memory>
#include <vector>

namespace {

struct Node {
    bool dir = false;
    uint32_t attrs = 0;
    std::shared_ptr<std::string> data = std::make_shared<std::string>();
    int readers = 0;
    int writers = 0;
};

struct State {
    std::map<std::string, Node> nodes; // key: normalised upper-case path
    std::string cwd = "C:";
    int64_t failAfter = -1;
    int failErrno = 0;
    int maxOpen = 1 << 20;
    int open = 0;
};

State& Fs()
{
    static State s = [] { State st; st.nodes["C:"].dir = true; return st; }();
    return s;
}

// "C:\a\..\B\" -> "C:\B" (upper-cased); relative paths start at the current directory.
std::string Normalise(const std::string& path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    if (p.size() < 2 || p[1] != ':')
        p = Fs().cwd + "\\" + p;
    else if (p.size() > 2 && p[2] != '\\')
        p = p.substr(0, 2) + "\\" + p.substr(2); // C:x is relative to the drive's root here
    std::vector<std::string> parts;
    std::string cur;
    for (size_t i = 2; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '\\') {
            if (cur == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!cur.empty() && cur != ".") {
                parts.push_back(cur);
            }
            cur.clear();
        } else {
            char c = p[i];
            cur += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        }
    }
    std::string out = p.substr(0, 2);
    out[0] = (out[0] >= 'a' && out[0] <= 'z') ? char(out[0] - 32) : out[0];
    for (const auto& part : parts)
        out += "\\" + part;
    return out;
}

// As on Windows, a name is its characters, whichever code spells it: keys
// are UTF-8.
std::string Normalise(platform::Path path)
{
    std::string key;
    return Normalise(platform::Recode(path.text, path.code, platform::CODE_UTF8, key) ? key : std::string(path.text));
}

std::string Parent(const std::string& key)
{
    size_t slash = key.rfind('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

Node* Find(const std::string& key)
{
    auto it = Fs().nodes.find(key);
    return it == Fs().nodes.end() ? nullptr : &it->second;
}

// errno for a missing entry, as POSIX reports it: ENOENT, or ENOTDIR when a
// component of the path is a file.
int MissingErrno(const std::string& key)
{
    for (std::string p = Parent(key); !p.empty(); p = Parent(p))
        if (Node* n = Find(p))
            return n->dir ? ENOENT : ENOTDIR;
    return ENOENT;
}

struct Open {
    std::string key;
    std::shared_ptr<std::string> data;
    bool write;
    size_t pos = 0;
};

} // namespace

struct platform::FileObject : Open {};

namespace memfs {
void Reset() { Fs() = State(); Fs().nodes["C:"].dir = true; }
void FailWritesAfter(int64_t bytes, int err) { Fs().failAfter = bytes; Fs().failErrno = err; }
void LimitOpenFiles(int count) { Fs().maxOpen = count; }
int OpenFileCount() { return Fs().open; }
} // namespace memfs

namespace platform {

// errno to the result codes. ENOENT says nothing of which part is missing, so
// the parent folder decides between "file not found" and "path not found".
static int32_t CodeFromErrno(int err, const std::string& key)
{
    switch (err) {
    case ENOENT: {
        Node* parent = Find(Parent(key));
        return (parent && parent->dir) ? FC_NOT_FOUND : FC_BAD_PATH;
    }
    case ENOTDIR:
    case ENAMETOOLONG: return FC_BAD_PATH;
    case EMFILE:
    case ENFILE: return FC_TOO_MANY_OPEN;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EEXIST: return FC_ACCESS_DENIED;
    case EBADF: return FC_INVALID_HANDLE;
    case ENOTEMPTY: return FC_REMOVE_CURRENT_DIR;
    case ESPIPE: return FC_SEEK_ERROR;
    case EBUSY:
    case ETXTBSY: return FC_SHARING_VIOLATION;
    case EDEADLK: return FC_LOCK_VIOLATION;
    case ENOSPC:
    case EFBIG: return FC_DISK_FULL;
    default: return FC_GENERIC;
    }
}

bool GetAttributes(Path path, uint32_t* attrs)
{
    Node* n = *path.text ? Find(Normalise(path)) : nullptr; // "" names nothing, as on Windows
    if (!n)
        return false;
    *attrs = n->attrs | (n->dir ? uint32_t(ATTR_DIRECTORY) : 0u);
    return true;
}

static FileHandle OpenNode(const std::string& key, bool write, int32_t* code)
{
    State& fs = Fs();
    int err = 0;
    Node* n = Find(key);
    if (fs.open >= fs.maxOpen)
        err = EMFILE;
    else if (!write && !n)
        err = MissingErrno(key);
    else if (n && n->dir)
        err = EISDIR;
    else if (write && n && (n->attrs & ATTR_READONLY))
        err = EACCES;
    else if (n && (n->writers > 0 || (write && n->readers > 0)))
        err = EBUSY;
    else if (write && !n) {
        Node* parent = Find(Parent(key));
        if (!parent)
            err = MissingErrno(key);
        else if (!parent->dir)
            err = ENOTDIR;
    }
    if (err) {
        *code = CodeFromErrno(err, key);
        return nullptr;
    }
    Node& node = fs.nodes[key];
    if (write) {
        node.data = std::make_shared<std::string>();
        ++node.writers;
    } else {
        ++node.readers;
    }
    ++fs.open;
    auto* f = new FileObject;
    f->key = key;
    f->data = node.data;
    f->write = write;
    *code = FC_OK;
    return f;
}

FileHandle OpenRead(Path path, int32_t* code) { return OpenNode(Normalise(path), false, code); }
FileHandle OpenWrite(Path path, int32_t* code) { return OpenNode(Normalise(path), true, code); }

bool Read(FileHandle h, void* buf, uint32_t n, uint32_t* got, int32_t* code)
{
    if (h->write) {
        *got = 0;
        *code = FC_ACCESS_DENIED;
        return false;
    }
    const std::string& d = *h->data;
    size_t avail = h->pos < d.size() ? d.size() - h->pos : 0;
    *got = uint32_t(avail < n ? avail : n);
    d.copy(static_cast<char*>(buf), *got, h->pos);
    h->pos += *got;
    return true;
}

bool Write(FileHandle h, const void* buf, uint32_t n, int32_t* code)
{
    State& fs = Fs();
    if (!h->write) {
        *code = FC_ACCESS_DENIED;
        return false;
    }
    std::string& d = *h->data;
    if (fs.failAfter >= 0 && int64_t(d.size()) + n > fs.failAfter) {
        *code = CodeFromErrno(fs.failErrno, h->key);
        return false;
    }
    if (h->pos > d.size())
        d.resize(h->pos);
    d.replace(h->pos, n, static_cast<const char*>(buf), n);
    h->pos += n;
    return true;
}

bool Seek(FileHandle h, int64_t offset, SeekFrom from)
{
    int64_t base = from == SEEK_FROM_END ? int64_t(h->data->size()) : 0;
    if (base + offset < 0)
        return false;
    h->pos = size_t(base + offset);
    return true;
}

int64_t FileSize(FileHandle h) { return int64_t(h->data->size()); }

bool ReadAt(FileHandle h, int64_t offset, void* buf, uint32_t n, uint32_t* got)
{
    int32_t code;
    *got = 0;
    return offset >= 0 && Seek(h, offset, SEEK_FROM_BEGIN) && Read(h, buf, n, got, &code);
}

void Close(FileHandle h)
{
    if (Node* n = Find(h->key))
        --(h->write ? n->writers : n->readers);
    --Fs().open;
    delete h;
}

int32_t RemoveFile(Path path)
{
    std::string key = Normalise(path);
    Node* n = Find(key);
    int err = !n ? MissingErrno(key)
            : n->dir ? EISDIR
            : (n->attrs & ATTR_READONLY) ? EACCES
            : (n->readers || n->writers) ? EBUSY : 0;
    if (err)
        return CodeFromErrno(err, key);
    Fs().nodes.erase(key);
    return FC_OK;
}

int32_t CreateFolder(Path path)
{
    std::string key = Normalise(path);
    Node* parent = Find(Parent(key));
    int err = Find(key) ? EEXIST : !parent ? MissingErrno(key) : !parent->dir ? ENOTDIR : 0;
    if (err)
        return CodeFromErrno(err, key);
    Fs().nodes[key].dir = true;
    return FC_OK;
}

int32_t RemoveFolder(Path path)
{
    std::string key = Normalise(path);
    Node* n = Find(key);
    auto below = Fs().nodes.lower_bound(key + "\\");
    bool empty = below == Fs().nodes.end() || below->first.compare(0, key.size() + 1, key + "\\") != 0;
    int err = !n ? MissingErrno(key) : !n->dir ? ENOTDIR : key == Fs().cwd ? EBUSY : !empty ? ENOTEMPTY : 0;
    if (err)
        return CodeFromErrno(err, key);
    Fs().nodes.erase(key);
    return FC_OK;
}

int32_t SetReadOnly(Path path, bool readOnly)
{
    std::string key = Normalise(path);
    Node* n = Find(key);
    if (!n)
        return CodeFromErrno(MissingErrno(key), key);
    n->attrs = readOnly ? (n->attrs | ATTR_READONLY) : (n->attrs & ~uint32_t(ATTR_READONLY));
    return FC_OK;
}

int32_t CheckWritable(Path path)
{
    std::string key = Normalise(path);
    Node* n = Find(key);
    int err = !n ? 0
            : Fs().open >= Fs().maxOpen ? EMFILE
            : n->dir ? EISDIR
            : (n->attrs & ATTR_READONLY) ? EACCES
            : (n->readers || n->writers) ? EBUSY : 0;
    return err ? CodeFromErrno(err, key) : FC_OK;
}

int32_t FlushToDisk(FileHandle h) { return h->write ? FC_OK : FC_ACCESS_DENIED; }

// A rename within the file system: the target's old data stays with whoever
// still reads it, as with an open file on a disk.
int32_t MoveReplacing(Path from, Path to)
{
    std::string src = Normalise(from), dst = Normalise(to);
    Node* s = Find(src);
    Node* d = Find(dst);
    Node* parent = Find(Parent(dst));
    int err = !s ? MissingErrno(src)
            : !parent ? MissingErrno(dst)
            : !parent->dir ? ENOTDIR
            : s->dir || (d && d->dir) ? EISDIR
            : d && (d->attrs & ATTR_READONLY) ? EACCES
            : s->readers || s->writers || (d && (d->readers || d->writers)) ? EBUSY : 0;
    if (err)
        return CodeFromErrno(err, err == EISDIR || err == EACCES || err == EBUSY ? dst : src);
    if (src != dst) {
        Node moved = *s;
        Fs().nodes.erase(src);
        Fs().nodes[dst] = moved;
    }
    return FC_OK;
}

std::string GetCurrentDir(TextCode) { return Fs().cwd.size() == 2 ? Fs().cwd + "\\" : Fs().cwd; }

bool SetCurrentDir(Path path)
{
    std::string key = Normalise(path);
    Node* n = Find(key);
    if (!n || !n->dir)
        return false;
    Fs().cwd = key;
    return true;
}

static std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

static bool SameName(const std::string& a, const char* b)
{
    std::string x = a, y = b;
    for (char& c : x) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    for (char& c : y) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    return x == y;
}

// The INI reading rules of GetPrivateProfileStringA: section and key names
// without regard to case, blanks around names and values dropped, one pair of
// enclosing quotes removed, the value cut to bufSize - 1 bytes. Texts are
// bytes here, whatever their code.
std::string ReadIniString(const char* section, const char* key, const char* def, Path iniPath, uint32_t bufSize)
{
    std::string value = def ? def : "";
    Node* n = Find(Normalise(iniPath));
    if (n && !n->dir) {
        const std::string& text = *n->data;
        bool inSection = false;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t eol = text.find('\n', pos);
            std::string line = Trim(text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos));
            pos = eol == std::string::npos ? text.size() : eol + 1;
            if (!line.empty() && line[0] == '[') {
                size_t close = line.find(']');
                inSection = SameName(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), section);
            } else if (inSection) {
                size_t eq = line.find('=');
                if (eq != std::string::npos && SameName(Trim(line.substr(0, eq)), key)) {
                    value = Trim(line.substr(eq + 1));
                    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                        value = value.substr(1, value.size() - 2);
                    break;
                }
            }
        }
    }
    if (bufSize > 0 && value.size() > bufSize - 1)
        value.resize(bufSize - 1);
    return value;
}

} // namespace platform
