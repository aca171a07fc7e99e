// The tag library reads a file through this stream, which goes through the
// platform's file access: the same sharing as the ID3v1 reader on Windows, the
// in-memory file system in the native tests.
#pragma once
#include "platform/PlatformFile.h"
#include <string>
#include <tiostream.h>

class CTagStream : public TagLib::IOStream {
public:
    // Reads through h, which stays open and owned by the caller.
    CTagStream(platform::FileHandle h, const char* path);

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    bool readOnly() const override { return true; }
    bool isOpen() const override { return m_hFile != nullptr; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return long(m_nPos); }
    long length() override { return long(m_nLength); }

    // Reading only: nothing is ever written back.
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long = 0, unsigned long = 0) override {}
    void removeBlock(unsigned long = 0, unsigned long = 0) override {}
    void truncate(long) override {}

private:
    // Bytes of the file kept in memory: parsers read headers a few bytes at
    // a time, often the same ones twice.
    struct Block {
        int64_t start = 0;
        std::string bytes;
        bool Holds(int64_t at, int64_t n) const;
    };
    bool Read(Block& block, int64_t start, int64_t size);
    const Block* BlockFor(int64_t at, int64_t n);

    platform::FileHandle m_hFile;
    const char* m_pszPath;
    int64_t m_nLength = 0;
    int64_t m_nPos = 0;
    Block m_head;  // the file's first bytes
    Block m_other; // the last bytes read elsewhere
};
