// File access for the portable code. Every failure is reported as one of the
// cache file's result codes (the Windows error numbers of the same meaning),
// whatever the underlying system calls its errors.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

enum FileCode : int32_t {
    FC_OK = 0,
    FC_GENERIC = 1,
    FC_NOT_FOUND = 2,
    FC_BAD_PATH = 3,
    FC_TOO_MANY_OPEN = 4,
    FC_ACCESS_DENIED = 5,
    FC_INVALID_HANDLE = 6,
    FC_INVALID_DATA = 13,
    FC_REMOVE_CURRENT_DIR = 16,
    FC_READ_ONLY_ARCHIVE = 19,
    FC_SEEK_ERROR = 25,
    FC_WRITE_ONLY_ARCHIVE = 30,
    FC_SHARING_VIOLATION = 32,
    FC_LOCK_VIOLATION = 33,
    FC_DISK_FULL = 112,
};

enum : uint32_t {
    ATTR_READONLY = 0x01,
    ATTR_HIDDEN = 0x02,
    ATTR_DIRECTORY = 0x10,
};

using FileHandle = struct FileObject*;

// Attributes of a file or folder; false when the path is unknown.
bool GetAttributes(const char* path, uint32_t* attrs);
inline bool PathExists(const char* path) { uint32_t a; return GetAttributes(path, &a); }

// Opens an existing file for reading; others may read it too, not write it.
FileHandle OpenRead(const char* path, int32_t* code);
// Creates the file or cuts it to zero length, for writing, shared with nobody.
FileHandle OpenWrite(const char* path, int32_t* code);
// Reads up to n bytes; *got < n only at the end of the file. False on an error.
bool Read(FileHandle h, void* buf, uint32_t n, uint32_t* got, int32_t* code);
bool Write(FileHandle h, const void* buf, uint32_t n, int32_t* code);
enum SeekFrom { SEEK_FROM_BEGIN, SEEK_FROM_END };
// False, with the position unchanged, when the target lies before the start.
bool Seek(FileHandle h, int64_t offset, SeekFrom from);
// The file's length in bytes; -1 when it cannot be told.
int64_t FileSize(FileHandle h);
// Reads up to n bytes at an offset, in one call: *got is what the file
// holds there (0 at or past its end). False on an error.
bool ReadAt(FileHandle h, int64_t offset, void* buf, uint32_t n, uint32_t* got);
void Close(FileHandle h);

int32_t RemoveFile(const char* path);          // 0 or the code of the cause
int32_t CreateFolder(const char* path);        // 0 or the code of the cause
int32_t RemoveFolder(const char* path);        // 0 or the code of the cause
int32_t SetReadOnly(const char* path, bool readOnly);

std::string GetCurrentDir();                   // without a trailing backslash (but C:\)
bool SetCurrentDir(const char* path);

// GetPrivateProfileStringA with a buffer of bufSize bytes.
std::string ReadIniString(const char* section, const char* key, const char* def,
                             const char* iniPath, uint32_t bufSize);

} // namespace platform
