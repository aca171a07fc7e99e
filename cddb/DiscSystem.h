// What the disc index needs of the system it runs on: the names in a folder,
// a disc file's bytes and last-write time, an archive's size and bytes, where index files are kept and a
// lock on one, and which characters are letters or digits in any alphabet,
// with their lower case. The Windows build asks the kernel and the
// system's character tables; the native build (the fuzz targets) keeps its
// folders in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace discsys {

// The names in a folder, in the system's order: its folders (without "." and
// "..") and its files. False when the folder cannot be listed.
bool ListFolder(const std::wstring& strFolder, std::vector<std::wstring>& vecDirs,
                std::vector<std::wstring>& vecFiles);
// A whole file into buffer, which may stay larger for the next file; false
// when it cannot be read or holds more than nMaxSize bytes.
bool ReadWholeFile(const std::wstring& strPath, size_t nMaxSize, std::vector<char>& buffer, size_t& nSize);

// A file's size; false when the path names no file (nothing, or a folder).
bool FileSize(const std::wstring& strPath, uint64_t& nSize);

// A file read from its start, piece by piece (a dump archive).
class CFileReader {
public:
    CFileReader() = default;
    ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    bool Open(const std::wstring& strPath);
    // Bytes read into pData, 0 at the end of the file, -1 when it cannot be read.
    int64_t Read(void* pData, size_t nSize);

private:
    void* m_hFile = nullptr;
    uint64_t m_nPos = 0;
};

// A file's or folder's last-write time as text; empty when it has none.
std::wstring LastWriteTime(const std::wstring& strPath);
// The folder that keeps the index files, made when missing; empty when there
// is none (indexes are then held in memory).
std::wstring IndexFolder();
// False when the file is in use or cannot be removed.
bool RemoveFile(const std::wstring& strPath);

// Held while an index file is checked or built, against other processes too.
class CIndexLock {
public:
    explicit CIndexLock(const std::wstring& strName);
    ~CIndexLock();
    CIndexLock(const CIndexLock&) = delete;
    CIndexLock& operator=(const CIndexLock&) = delete;

private:
    void* m_hLock = nullptr;
};

bool IsLetterOrDigit(wchar_t c);
void ToLower(wchar_t* pText, size_t nLength); // in place

} // namespace discsys
