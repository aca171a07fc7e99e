// File access for the portable code. Every failure is reported as one of the
// cache file's result codes (the Windows error numbers of the same meaning),
// whatever the underlying system calls its errors.
#pragma once
#include "PlatformText.h"
#include <cstdint>
#include <string>

namespace platform {

// A path in the control's 8-bit text, with its code: the ANSI file calls take
// the first kind, the system's wide calls the other.
struct Path {
    Path(const char* text, TextCode code = CODE_ANSI) : text(text), code(code) {}
    Path(const std::string& text, TextCode code = CODE_ANSI) : text(text.c_str()), code(code) {}
    const char* text;
    TextCode code;
};

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
bool GetAttributes(Path path, uint32_t* attrs);
inline bool PathExists(Path path) { uint32_t a; return GetAttributes(path, &a); }

// Opens an existing file for reading; others may read it too, not write it.
FileHandle OpenRead(Path path, int32_t* code);
// Creates the file or cuts it to zero length, for writing, shared with nobody.
FileHandle OpenWrite(Path path, int32_t* code);
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

int32_t RemoveFile(Path path);          // 0 or the code of the cause
int32_t CreateFolder(Path path);        // 0 or the code of the cause
int32_t RemoveFolder(Path path);        // 0 or the code of the cause
int32_t SetReadOnly(Path path, bool readOnly);

// For a save that a crash or a full disk cannot leave half done.
// 0 when the file does not exist or could be opened for writing now (it is
// not read-only, not a folder, not open elsewhere); else the code of the
// cause. The file is left as it is.
int32_t CheckWritable(Path path);
// Writes what the system still holds of the file's data to the disk.
int32_t FlushToDisk(FileHandle h);
// Puts the file `from` in the place of `to` in one step, written through to
// the disk: `to` is either the old file whole or the new one. Refused when
// `to` is read-only.
int32_t MoveReplacing(Path from, Path to);

// Without a trailing backslash (but C:\), in the code asked for.
std::string GetCurrentDir(TextCode code = CODE_ANSI);
bool SetCurrentDir(Path path);

// GetPrivateProfileString with a buffer of bufSize characters; section, key
// and the value in the path's code.
std::string ReadIniString(const char* section, const char* key, const char* def, Path iniPath, uint32_t bufSize);

} // namespace platform
