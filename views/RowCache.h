// CRowCache: the rows of the grouped views that are not listed, each view's in
// list order, kept until its view is listed again. The cache owns the rows it
// holds; a view's rows go back to the list, or are freed, as a whole.
#pragma once
#include "listctrl/ListRow.h"
#include <utility>
#include <vector>

class CRowCache {
public:
    static const int kSlots = 4; // one a view, by the view's index

    CRowCache() = default;
    CRowCache(const CRowCache&) = delete;
    CRowCache& operator=(const CRowCache&) = delete;
    ~CRowCache()
    {
        for (int slot = 0; slot < kSlots; ++slot)
            Discard(slot);
    }

    void Keep(int slot, std::vector<ListRow*> rows) { m_rows[slot] = std::move(rows); }
    bool Holds(int slot) const { return !m_rows[slot].empty(); }
    // The slot's rows, still the cache's.
    const std::vector<ListRow*>& Rows(int slot) const { return m_rows[slot]; }
    // The slot's rows, now the caller's.
    std::vector<ListRow*> Take(int slot) { return std::exchange(m_rows[slot], {}); }
    void Discard(int slot)
    {
        for (ListRow* row : Take(slot))
            delete row;
    }

private:
    std::vector<ListRow*> m_rows[kSlots];
};
