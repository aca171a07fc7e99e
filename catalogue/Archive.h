// CArchive: the object archive of the cache file. Little-endian numbers,
// length-prefixed strings, objects behind a class header or class reference,
// all through a 4096-byte buffer. It throws nothing: the first error stops it
// and is kept as its code, and the end of the file stops a loading archive.
#pragma once
#include "Str.h"
#include "platform/PlatformFile.h"
#include <cstdint>
#include <memory>
#include <set>
#include <string>

class CMusicInfo;

class CArchive {
public:
    enum Mode { STORE, LOAD };
    // code: the code of the texts. In UTF-8 a text with any other byte than
    // ASCII is stored as UTF-16, which a reader in the ANSI code page takes
    // too; a text stored in the code page is read into UTF-8 as well.
    CArchive(platform::FileHandle file, Mode mode, platform::TextCode code = platform::CODE_ANSI)
        : m_hFile(file), m_mode(mode), m_code(code)
    {
    }
    ~CArchive() { Flush(); }
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_mode == STORE; }
    bool Stopped() const { return m_bEnd || m_nCode != 0; }
    bool AtEnd() const { return m_bEnd; }
    int32_t Code() const { return m_nCode; }

    CArchive& operator<<(uint16_t v) { return Put(&v, 2); }
    CArchive& operator<<(int32_t v) { return Put(&v, 4); }
    CArchive& operator<<(uint32_t v) { return Put(&v, 4); }
    CArchive& operator<<(const CStr& s);
    CArchive& operator>>(uint16_t& v) { return Get(&v, 2); }
    CArchive& operator>>(int32_t& v) { return Get(&v, 4); }
    CArchive& operator>>(uint32_t& v) { return Get(&v, 4); }
    CArchive& operator>>(CStr& s);

    CArchive& Put(const void* p, size_t n);
    CArchive& Get(void* p, size_t n);

    void WriteObject(CMusicInfo& info);
    // The next object, or null at the end of the file, on an error, or for a
    // record cut short.
    std::unique_ptr<CMusicInfo> ReadObject();

    void Flush();

private:
    void Fail(int32_t code)
    {
        if (m_nCode == 0)
            m_nCode = code;
    }
    bool Fill();
    bool ReadCount(uint32_t& n, bool* wideMark);
    bool ReadText(std::string& out, uint64_t bytes);
    // The text for the next string of the object being read: the previous
    // object's string in the same place when it is the same text.
    CStr TextOf(std::string_view text);

    void PutCount(size_t n);

    platform::FileHandle m_hFile;
    Mode m_mode;
    platform::TextCode m_code;
    unsigned char m_buf[4096];
    size_t m_nPos = 0; // next byte to read or write
    size_t m_nLen = 0; // bytes of the buffer filled by the last read
    bool m_bEnd = false;
    int32_t m_nCode = 0;
    // Item numbers: the class and every object take the next number from 1.
    uint32_t m_nNextItem = 1;
    std::set<uint32_t> m_classItems;
    bool m_bClassWritten = false;
    // The strings of the object read before, by their place in it: records
    // next to each other mostly share album, artist and time.
    CStr m_lastTexts[8];
    size_t m_nText = 0;
};
