#include "TagStream.h"
#include <algorithm>
#include <cstring>

namespace {
const int64_t kBlock = 8192;
}

CTagStream::CTagStream(platform::FileHandle h, const char* path) : m_hFile(h), m_pszPath(path)
{
    m_nLength = std::max<int64_t>(platform::FileSize(h), 0);
}

TagLib::FileName CTagStream::name() const { return m_pszPath; }

// Near the end of the file the block is the file's last bytes, where the
// trailing tags and the last audio frame lie together.
bool CTagStream::Fill(int64_t at)
{
    int64_t start = std::max<int64_t>(0, std::min(at, m_nLength - kBlock));
    m_buf.resize(size_t(std::min(kBlock, m_nLength - start)));
    uint32_t got = 0;
    int32_t code;
    if (!platform::Seek(m_hFile, start, platform::SEEK_FROM_BEGIN) ||
        !platform::Read(m_hFile, &m_buf[0], uint32_t(m_buf.size()), &got, &code)) {
        m_buf.clear();
        return false;
    }
    m_buf.resize(got);
    m_nBufStart = start;
    return true;
}

TagLib::ByteVector CTagStream::readBlock(unsigned long length)
{
    if (m_nPos >= m_nLength || length == 0)
        return TagLib::ByteVector();
    // A damaged size field may ask for any length, up to the largest unsigned one.
    const uint64_t rest = uint64_t(m_nLength - m_nPos);
    int64_t n = int64_t(std::min<uint64_t>(length, rest));
    const int64_t bufEnd = m_nBufStart + int64_t(m_buf.size());
    if (m_nPos < m_nBufStart || m_nPos + n > bufEnd) {
        if (n > kBlock / 2) { // a large block (a picture, audio): read it as it is
            TagLib::ByteVector out(static_cast<unsigned int>(n), 0);
            uint32_t got = 0;
            int32_t code;
            if (!platform::Seek(m_hFile, m_nPos, platform::SEEK_FROM_BEGIN) ||
                !platform::Read(m_hFile, out.data(), uint32_t(n), &got, &code))
                got = 0;
            out.resize(got);
            m_nPos += got;
            return out;
        }
        if (!Fill(m_nPos))
            return TagLib::ByteVector();
        n = std::min<int64_t>(n, m_nBufStart + int64_t(m_buf.size()) - m_nPos);
        if (n <= 0)
            return TagLib::ByteVector();
    }
    TagLib::ByteVector out(m_buf.data() + (m_nPos - m_nBufStart), static_cast<unsigned int>(n));
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
