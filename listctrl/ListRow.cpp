#include "ListRow.h"
#include <mutex>
#include <new>
#include <vector>

namespace {

// Rows of every list of the process, carved from blocks of 4,096; a freed
// row goes to the front of the free list. The blocks go back to the heap
// once no row is left, so that a control that held a million rows leaves
// nothing behind when it goes.
struct RowPool {
    union Slot {
        Slot* pNext;
        alignas(ListRow) unsigned char bytes[sizeof(ListRow)];
    };
    static const size_t kPerBlock = 4096;

    std::mutex lock; // controls of several threads share it
    std::vector<Slot*> blocks;
    Slot* pFree = nullptr;
    size_t nLive = 0;

    void* Take()
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!pFree) {
            Slot* block = static_cast<Slot*>(::operator new(sizeof(Slot) * kPerBlock, std::nothrow));
            if (!block)
                throw std::bad_alloc(); // as the plain new would
            blocks.push_back(block);
            for (size_t i = kPerBlock; i-- > 0;) {
                block[i].pNext = pFree;
                pFree = &block[i];
            }
        }
        Slot* slot = pFree;
        pFree = slot->pNext;
        ++nLive;
        return slot;
    }

    void Give(void* row)
    {
        std::lock_guard<std::mutex> hold(lock);
        Slot* slot = static_cast<Slot*>(row);
        slot->pNext = pFree;
        pFree = slot;
        if (--nLive > 0)
            return;
        for (Slot* block : blocks)
            ::operator delete(block);
        blocks.clear();
        pFree = nullptr;
    }
};

RowPool& Pool()
{
    static RowPool* pool = new RowPool; // never destroyed: rows may be freed as the process ends
    return *pool;
}

} // namespace

void* ListRow::operator new(size_t size)
{
    return size == sizeof(ListRow) ? Pool().Take() : ::operator new(size);
}

void ListRow::operator delete(void* row) noexcept
{
    if (row)
        Pool().Give(row);
}
