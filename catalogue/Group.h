// CGroup: the records of one group, ordered by file name without regard to
// case, at most one record per file name. Sorted blocks of at most 256
// records rather than a tree: a third of the memory, insertion stays cheap
// in a group of any size, and records mostly arrive in file-name order, so
// most insertions append.
#pragma once
#include "MusicInfo.h"
#include "platform/CaseOrder.h"
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

class CGroup {
    using Block = std::vector<CMusicInfo*>;

public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CMusicInfo*;
        using difference_type = std::ptrdiff_t;
        using pointer = CMusicInfo* const*;
        using reference = CMusicInfo* const&;

        const_iterator() = default;
        reference operator*() const { return (*m_pBlocks)[m_nBlock][m_nPos]; }
        const_iterator& operator++()
        {
            if (++m_nPos == (*m_pBlocks)[m_nBlock].size()) {
                ++m_nBlock;
                m_nPos = 0;
            }
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const const_iterator& o) const { return m_nBlock == o.m_nBlock && m_nPos == o.m_nPos; }
        bool operator!=(const const_iterator& o) const { return !(*this == o); }

    private:
        friend class CGroup;
        const_iterator(const std::vector<Block>* blocks, size_t block, size_t pos)
            : m_pBlocks(blocks), m_nBlock(block), m_nPos(pos)
        {
        }
        const std::vector<Block>* m_pBlocks = nullptr;
        size_t m_nBlock = 0;
        size_t m_nPos = 0;
    };
    using iterator = const_iterator;
    using value_type = CMusicInfo*;

    // The file names compare in the order of the catalogue's text code.
    explicit CGroup(const platform::CCaseOrder& order = platform::CCaseOrder::Process()) : m_pOrder(&order) {}

    const_iterator begin() const { return const_iterator(&m_blocks, 0, 0); }
    const_iterator end() const { return const_iterator(&m_blocks, m_blocks.size(), 0); }
    size_t size() const { return m_nSize; }
    bool empty() const { return m_nSize == 0; }

    // Adds the record unless the group holds one of the same file name;
    // answers the entry of that name and whether it is the new record.
    std::pair<iterator, bool> insert(CMusicInfo* info);
    // The entry whose file name equals the record's, or end().
    iterator find(const CMusicInfo* info) const;
    size_t count(const CMusicInfo* info) const { return find(info) == end() ? 0 : 1; }
    iterator erase(iterator at);

    // Adds a record whose file name is above every name in the group.
    void AppendInOrder(CMusicInfo* info);

private:
    static constexpr size_t kBlockMax = 256;
    int CompareNames(const CMusicInfo* a, const CMusicInfo* b) const
    {
        return m_pOrder->Compare(a->m_strFileName.c_str(), b->m_strFileName.c_str());
    }
    // The block that holds the record's name or would take it, and the place
    // in it; *equal tells whether the entry there has that name.
    std::pair<size_t, size_t> Locate(const CMusicInfo* info, bool* equal) const;
    std::pair<iterator, bool> InsertAt(size_t block, size_t pos, CMusicInfo* info);

    const platform::CCaseOrder* m_pOrder;
    std::vector<Block> m_blocks; // never an empty one
    size_t m_nSize = 0;
};
