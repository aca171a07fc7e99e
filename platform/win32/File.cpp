#include "WidePath.h"
#include "../LongPath.h"
#include <windows.h>

namespace platform {

// Windows error numbers are the codes themselves where the table has them;
// the rest are folded into the nearest cause.
static int32_t CodeFromError(DWORD err)
{
    switch (err) {
    case ERROR_FILE_NOT_FOUND: return FC_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return FC_BAD_PATH;
    case ERROR_TOO_MANY_OPEN_FILES: return FC_TOO_MANY_OPEN;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FC_ACCESS_DENIED;
    case ERROR_INVALID_HANDLE: return FC_INVALID_HANDLE;
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_DIR_NOT_EMPTY: return FC_REMOVE_CURRENT_DIR;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return FC_SEEK_ERROR;
    case ERROR_SHARING_VIOLATION: return FC_SHARING_VIOLATION;
    case ERROR_LOCK_VIOLATION: return FC_LOCK_VIOLATION;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FC_DISK_FULL;
    default: return FC_GENERIC;
    }
}

static int32_t LastCode() { return CodeFromError(GetLastError()); }

static const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string WidePath(Path p)
{
    std::u16string wide = TextToWide(p.text, p.code);
    if (!NeedsLongForm(wide))
        return wide; // the system normalises it as ever
    // The \\?\ form is taken literally: the system's own normalisation first.
    DWORD n = GetFullPathNameW(W(wide), 0, nullptr, nullptr);
    std::u16string full(n, u'\0');
    n = n ? GetFullPathNameW(W(wide), n, reinterpret_cast<wchar_t*>(&full[0]), nullptr) : 0;
    if (n == 0 || n >= full.size())
        return wide;
    full.resize(n);
    return LongForm(full);
}

// A text that is no path (an INI file's section or key), only converted.
static std::u16string WideText(const char* text) { return Utf8ToWide(text); }

// Each call in the form the path's code asks for.
static DWORD Attributes(Path p)
{
    return p.code == CODE_UTF8 ? GetFileAttributesW(W(WidePath(p))) : GetFileAttributesA(p.text);
}

static HANDLE Create(Path p, DWORD access, DWORD share, DWORD disposition)
{
    return p.code == CODE_UTF8
               ? CreateFileW(W(WidePath(p)), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)
               : CreateFileA(p.text, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool GetAttributes(Path path, uint32_t* attrs)
{
    DWORD a = Attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return false;
    *attrs = a;
    return true;
}

static FileHandle Wrap(HANDLE h) { return reinterpret_cast<FileHandle>(h); }
static HANDLE Unwrap(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

FileHandle OpenRead(Path path, int32_t* code)
{
    HANDLE h = Create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        *code = LastCode();
        return nullptr;
    }
    *code = FC_OK;
    return Wrap(h);
}

FileHandle OpenWrite(Path path, int32_t* code)
{
    HANDLE h = Create(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) {
        *code = LastCode();
        return nullptr;
    }
    *code = FC_OK;
    return Wrap(h);
}

bool Read(FileHandle h, void* buf, uint32_t n, uint32_t* got, int32_t* code)
{
    DWORD read = 0;
    if (!ReadFile(Unwrap(h), buf, n, &read, nullptr)) {
        *got = 0;
        *code = LastCode();
        return false;
    }
    *got = read;
    return true;
}

bool Write(FileHandle h, const void* buf, uint32_t n, int32_t* code)
{
    DWORD written = 0;
    if (!WriteFile(Unwrap(h), buf, n, &written, nullptr)) {
        *code = LastCode();
        return false;
    }
    if (written != n) {
        *code = FC_DISK_FULL;
        return false;
    }
    return true;
}

bool Seek(FileHandle h, int64_t offset, SeekFrom from)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(Unwrap(h), to, nullptr, from == SEEK_FROM_END ? FILE_END : FILE_BEGIN) != 0;
}

int64_t FileSize(FileHandle h)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(Unwrap(h), &size) ? int64_t(size.QuadPart) : -1;
}

bool ReadAt(FileHandle h, int64_t offset, void* buf, uint32_t n, uint32_t* got)
{
    OVERLAPPED at = {};
    at.Offset = DWORD(uint64_t(offset));
    at.OffsetHigh = DWORD(uint64_t(offset) >> 32);
    DWORD read = 0;
    BOOL ok = ReadFile(Unwrap(h), buf, n, &read, &at);
    *got = ok ? read : 0;
    return ok || GetLastError() == ERROR_HANDLE_EOF;
}

void Close(FileHandle h) { CloseHandle(Unwrap(h)); }

static int32_t Result(BOOL ok) { return ok ? FC_OK : LastCode(); }

int32_t RemoveFile(Path p)
{
    return Result(p.code == CODE_UTF8 ? DeleteFileW(W(WidePath(p))) : DeleteFileA(p.text));
}

int32_t CreateFolder(Path p)
{
    return Result(p.code == CODE_UTF8 ? CreateDirectoryW(W(WidePath(p)), nullptr)
                                      : CreateDirectoryA(p.text, nullptr));
}

int32_t RemoveFolder(Path p)
{
    return Result(p.code == CODE_UTF8 ? RemoveDirectoryW(W(WidePath(p))) : RemoveDirectoryA(p.text));
}

int32_t SetReadOnly(Path p, bool readOnly)
{
    DWORD a = Attributes(p);
    if (a == INVALID_FILE_ATTRIBUTES)
        return LastCode();
    a = readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return Result(p.code == CODE_UTF8 ? SetFileAttributesW(W(WidePath(p)), a) : SetFileAttributesA(p.text, a));
}

int32_t CheckWritable(Path path)
{
    // The attribute is looked at first: under Wine a process with the owner's
    // rights on the Unix side could open a read-only file for writing.
    DWORD a = Attributes(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return FC_ACCESS_DENIED;
    HANDLE h = Create(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND ? FC_OK : CodeFromError(err);
    }
    CloseHandle(h);
    return FC_OK;
}

int32_t FlushToDisk(FileHandle h) { return FlushFileBuffers(Unwrap(h)) ? FC_OK : LastCode(); }

int32_t MoveReplacing(Path from, Path to)
{
    // MoveFileEx, unlike ReplaceFile, also serves a target that does not exist
    // yet, and it refuses a read-only target.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (from.code == CODE_UTF8 || to.code == CODE_UTF8) {
        return Result(MoveFileExW(W(WidePath(from)), W(WidePath(to)), flags));
    }
    return Result(MoveFileExA(from.text, to.text, flags));
}

std::string GetCurrentDir(TextCode code)
{
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH)
        return std::string();
    return WideToText(reinterpret_cast<const uint16_t*>(buf), n, code);
}

bool SetCurrentDir(Path p)
{
    return (p.code == CODE_UTF8 ? SetCurrentDirectoryW(W(WidePath(p))) : SetCurrentDirectoryA(p.text)) != 0;
}

// The system's INI reader takes no path beyond the length limit, in either
// form: such a file is read by its short name, where its volume keeps one.
static std::u16string IniPath(Path p)
{
    std::u16string path = WidePath(p);
    if (!NeedsLongForm(TextToWide(p.text, p.code)))
        return path;
    DWORD n = GetShortPathNameW(W(path), nullptr, 0);
    std::u16string shortPath(n, u'\0');
    n = n ? GetShortPathNameW(W(path), reinterpret_cast<wchar_t*>(&shortPath[0]), n) : 0;
    if (n == 0 || n >= shortPath.size())
        return path;
    shortPath.resize(n);
    return shortPath;
}

std::string ReadIniString(const char* section, const char* key, const char* def, Path iniPath, uint32_t bufSize)
{
    if (iniPath.code != CODE_UTF8) {
        std::string buf(bufSize, '\0');
        DWORD n = GetPrivateProfileStringA(section, key, def, &buf[0], bufSize, iniPath.text);
        buf.resize(n);
        return buf;
    }
    std::wstring buf(bufSize, L'\0');
    DWORD n = GetPrivateProfileStringW(W(WideText(section)), W(WideText(key)), W(WideText(def ? def : "")),
                                       &buf[0], bufSize, W(IniPath(iniPath)));
    return WideToUtf8(reinterpret_cast<const uint16_t*>(buf.data()), n);
}

} // namespace platform
