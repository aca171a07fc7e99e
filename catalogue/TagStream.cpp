#include "TagStream.h"
#include <algorithm>

namespace {
const int64_t kBlock = 8192;
}

CTagStream::CTagStream(platform::FileHandle h, const char* path) : m_hFile(h), m_pszPath(path)
{
    m_nLength = std::max<int64_t>(platform::FileSize(h), 0);
}

TagLib::FileName CTagStream::name() const { return m_pszPath; }

bool CTagStream::Block::Holds(int64_t at, int64_t n) const
{
    return at >= start && at + n <= start + int64_t(bytes.size());
}

bool CTagStream::Read(Block& block, int64_t start, int64_t size)
{
    block.bytes.resize(size_t(size));
    uint32_t got = 0;
    if (size > 0 && !platform::ReadAt(m_hFile, start, &block.bytes[0], uint32_t(size), &got))
        got = 0;
    block.bytes.resize(got);
    block.start = start;
    return got > 0;
}

// The file's first block stays, for the headers that parsers read again and
// again. Other reads go to a second block: near the end of the file its last
// bytes, where trailing tags and the last audio frame lie together; before
// the block in hand (a search backwards) the block that ends with the read.
const CTagStream::Block* CTagStream::BlockFor(int64_t at, int64_t n)
{
    if (m_head.Holds(at, n))
        return &m_head;
    if (m_other.Holds(at, n))
        return &m_other;
    if (at + n <= kBlock)
        return Read(m_head, 0, std::min(kBlock, m_nLength)) ? &m_head : nullptr;
    int64_t start = at < m_other.start ? at + n - kBlock : std::min(at, m_nLength - kBlock);
    start = std::max<int64_t>(0, start);
    return Read(m_other, start, std::min(kBlock, m_nLength - start)) ? &m_other : nullptr;
}

TagLib::ByteVector CTagStream::readBlock(unsigned long length)
{
    if (m_nPos >= m_nLength || length == 0)
        return TagLib::ByteVector();
    // A damaged size field may ask for any length, up to the largest unsigned one.
    int64_t n = int64_t(std::min<uint64_t>(length, uint64_t(m_nLength - m_nPos)));
    if (n > kBlock / 2) { // a large block (a picture, audio): read as it is
        TagLib::ByteVector out(static_cast<unsigned int>(n), 0);
        uint32_t got = 0;
        if (!platform::ReadAt(m_hFile, m_nPos, out.data(), uint32_t(n), &got))
            got = 0;
        out.resize(got);
        m_nPos += got;
        return out;
    }
    const Block* block = BlockFor(m_nPos, n);
    if (!block)
        return TagLib::ByteVector();
    n = std::min<int64_t>(n, block->start + int64_t(block->bytes.size()) - m_nPos); // the file may have shrunk
    if (n <= 0)
        return TagLib::ByteVector();
    TagLib::ByteVector out(block->bytes.data() + (m_nPos - block->start), static_cast<unsigned int>(n));
    m_nPos += n;
    return out;
}

void CTagStream::seek(long offset, Position p)
{
    int64_t base = p == Beginning ? 0 : p == Current ? m_nPos : m_nLength;
    // As for a file: past the end is allowed, before the start leaves the
    // position where it was.
    if (base + offset >= 0)
        m_nPos = base + offset;
}
