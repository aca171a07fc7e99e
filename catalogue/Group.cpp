#include "Group.h"
#include <algorithm>

std::pair<size_t, size_t> CGroup::Locate(const CMusicInfo* info, bool* equal) const
{
    *equal = false;
    if (m_blocks.empty())
        return {0, 0};
    // After the last name: the common case, records coming in name order.
    size_t last = m_blocks.size() - 1;
    int c = CompareNames(m_blocks[last].back(), info);
    if (c <= 0) {
        *equal = c == 0;
        return {last, m_blocks[last].size() - (c == 0 ? 1 : 0)};
    }
    // The first block whose last name is not below the record's...
    size_t lo = 0, hi = last;
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        int m = CompareNames(m_blocks[mid].back(), info);
        if (m == 0) {
            *equal = true;
            return {mid, m_blocks[mid].size() - 1};
        }
        if (m < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    // ...and in it, whose last name is above the record's, the first that is not below.
    const Block& block = m_blocks[lo];
    size_t first = 0, end = block.size() - 1;
    while (first < end) {
        size_t mid = first + (end - first) / 2;
        int m = CompareNames(block[mid], info);
        if (m == 0) {
            *equal = true;
            return {lo, mid};
        }
        if (m < 0)
            first = mid + 1;
        else
            end = mid;
    }
    return {lo, first};
}

std::pair<CGroup::iterator, bool> CGroup::InsertAt(size_t block, size_t pos, CMusicInfo* info)
{
    if (m_blocks.empty()) {
        m_blocks.emplace_back();
    } else if (m_blocks[block].size() == kBlockMax) {
        if (block + 1 == m_blocks.size() && pos == kBlockMax) {
            // Appending behind a full last block starts a new one, so that
            // records added in order leave full blocks behind.
            m_blocks.emplace_back();
            ++block;
            pos = 0;
        } else {
            Block upper(m_blocks[block].begin() + kBlockMax / 2, m_blocks[block].end());
            m_blocks[block].resize(kBlockMax / 2);
            m_blocks.insert(m_blocks.begin() + long(block) + 1, std::move(upper));
            if (pos > kBlockMax / 2) {
                ++block;
                pos -= kBlockMax / 2;
            }
        }
    }
    Block& target = m_blocks[block];
    // Odd capacities fill the heap's 16-byte chunks; growth by half keeps
    // the slack small.
    if (target.size() == target.capacity())
        target.reserve(std::min(kBlockMax, (target.size() + target.size() / 2) | 3));
    target.insert(target.begin() + long(pos), info);
    ++m_nSize;
    return {iterator(&m_blocks, block, pos), true};
}

std::pair<CGroup::iterator, bool> CGroup::insert(CMusicInfo* info)
{
    bool equal;
    std::pair<size_t, size_t> at = Locate(info, &equal);
    if (equal)
        return {iterator(&m_blocks, at.first, at.second), false};
    return InsertAt(at.first, at.second, info);
}

CGroup::iterator CGroup::find(const CMusicInfo* info) const
{
    bool equal;
    std::pair<size_t, size_t> at = Locate(info, &equal);
    return equal ? iterator(&m_blocks, at.first, at.second) : end();
}

CGroup::iterator CGroup::erase(iterator at)
{
    size_t block = at.m_nBlock, pos = at.m_nPos;
    Block& target = m_blocks[block];
    target.erase(target.begin() + long(pos));
    --m_nSize;
    if (target.empty()) {
        m_blocks.erase(m_blocks.begin() + long(block));
        return iterator(&m_blocks, block, 0);
    }
    return pos == target.size() ? iterator(&m_blocks, block + 1, 0) : iterator(&m_blocks, block, pos);
}

void CGroup::AppendInOrder(CMusicInfo* info)
{
    if (m_blocks.empty() || m_blocks.back().size() == kBlockMax)
        m_blocks.emplace_back();
    Block& last = m_blocks.back();
    if (last.size() == last.capacity())
        last.reserve(std::min(kBlockMax, (last.size() + last.size() / 2) | 3));
    last.push_back(info);
    ++m_nSize;
}
