#include "../PlatformFile.h"
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

bool GetAttributes(const char* path, uint32_t* attrs)
{
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return false;
    *attrs = a;
    return true;
}

static FileHandle Wrap(HANDLE h) { return reinterpret_cast<FileHandle>(h); }
static HANDLE Unwrap(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

FileHandle OpenRead(const char* path, int32_t* code)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *code = LastCode();
        return nullptr;
    }
    *code = FC_OK;
    return Wrap(h);
}

FileHandle OpenWrite(const char* path, int32_t* code)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
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

int32_t RemoveFile(const char* path) { return DeleteFileA(path) ? FC_OK : LastCode(); }
int32_t CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) ? FC_OK : LastCode(); }
int32_t RemoveFolder(const char* path) { return RemoveDirectoryA(path) ? FC_OK : LastCode(); }

int32_t SetReadOnly(const char* path, bool readOnly)
{
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return LastCode();
    a = readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return SetFileAttributesA(path, a) ? FC_OK : LastCode();
}

std::string GetCurrentDir()
{
    char buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return (n == 0 || n > MAX_PATH) ? std::string() : std::string(buf, n);
}

bool SetCurrentDir(const char* path) { return SetCurrentDirectoryA(path) != 0; }

std::string ReadIniString(const char* section, const char* key, const char* def,
                             const char* iniPath, uint32_t bufSize)
{
    std::string buf(bufSize, '\0');
    DWORD n = GetPrivateProfileStringA(section, key, def, &buf[0], bufSize, iniPath);
    buf.resize(n);
    return buf;
}

} // namespace platform
