// CStr: the 8-bit string of the catalogue records, one pointer wide so that a
// record of seven strings stays small. Texts of up to six bytes (playing
// times such as 3:45) live in the pointer itself; longer ones on the heap,
// where copies share them, and a text that ends another one (a file name,
// the end of its path) may share its bytes too. A text is never changed in
// place, so the sharing cannot be seen.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the short form keeps its length in the first byte");

class CStr {
public:
    CStr() = default;
    CStr(const char* s) { m_nValue = Make(s, s ? std::strlen(s) : 0); }
    CStr(std::string_view s) { m_nValue = Make(s.data(), s.size()); }
    CStr(const std::string& s) { m_nValue = Make(s.data(), s.size()); }
    CStr(const CStr& o) : m_nValue(o.m_nValue) { Retain(m_nValue); }
    CStr(CStr&& o) noexcept : m_nValue(o.m_nValue) { o.m_nValue = 0; }
    ~CStr() { Release(m_nValue); }

    CStr& operator=(const CStr& o)
    {
        uintptr_t v = o.m_nValue;
        Retain(v);
        Release(m_nValue);
        m_nValue = v;
        return *this;
    }
    CStr& operator=(CStr&& o) noexcept
    {
        std::swap(m_nValue, o.m_nValue);
        return *this;
    }

    // The text of whole from byte from on, sharing whole's bytes where it can.
    static CStr TailOf(const CStr& whole, size_t from)
    {
        if (from == 0)
            return whole;
        size_t at = Offset(whole.m_nValue) + from;
        uintptr_t block = whole.m_nValue & kBlockMask;
        if (from > whole.size() || IsShort(whole.m_nValue) || !block || !CanPointInto(block, at))
            return CStr(whole.view().substr(from < whole.size() ? from : whole.size()));
        CStr tail;
        tail.m_nValue = block | (uint64_t(at) << kOffsetShift) | kTailBit;
        Retain(tail.m_nValue);
        return tail;
    }

    const char* c_str() const
    {
        if (IsShort(m_nValue))
            return reinterpret_cast<const char*>(&m_nValue) + 1;
        return m_nValue ? Block(m_nValue)->text + Offset(m_nValue) : "";
    }
    size_t size() const
    {
        if (IsShort(m_nValue))
            return (m_nValue & 0xFF) >> 1;
        return m_nValue ? Block(m_nValue)->length - Offset(m_nValue) : 0;
    }
    bool empty() const { return m_nValue == 0; }
    std::string_view view() const { return std::string_view(c_str(), size()); }
    operator std::string_view() const { return view(); }
    bool operator==(std::string_view s) const { return view() == s; }
    // Whether both hold the very same bytes (a copy, not only equal text).
    bool SharesWith(const CStr& o) const { return c_str() == o.c_str() && !IsShort(m_nValue) && m_nValue; }

private:
    struct Text {
        uint32_t refs;
        uint32_t length;
        char text[1]; // length bytes and a zero
    };
    static constexpr size_t kShortMax = sizeof(uintptr_t) - 2; // a length byte and a zero beside the text
    // A shared end of another text: the block's address, the tail bit, and
    // where the tail begins in the high 16 bits, which no address of a
    // 64-bit process uses. A 32-bit process has no room: it copies.
    static constexpr uintptr_t kTailBit = 2;
    static constexpr unsigned kOffsetShift = 48;
    static constexpr uintptr_t kBlockMask =
        sizeof(uintptr_t) == 8 ? ((uintptr_t(1) << kOffsetShift % (8 * sizeof(uintptr_t))) - 1) & ~uintptr_t(7)
                               : ~uintptr_t(7);

    static bool IsShort(uintptr_t v) { return v & 1; }
    static Text* Block(uintptr_t v) { return reinterpret_cast<Text*>(v & kBlockMask); }
    static size_t Offset(uintptr_t v)
    {
        return (v & kTailBit) && !IsShort(v) ? size_t(uint64_t(v) >> (kOffsetShift % (8 * sizeof(uintptr_t)))) : 0;
    }
    static bool CanPointInto(uintptr_t block, size_t at)
    {
        return sizeof(uintptr_t) == 8 && at < (size_t(1) << 16) && (block & ~kBlockMask) == 0;
    }

    static uintptr_t Make(const char* s, size_t n)
    {
        if (n == 0)
            return 0;
        if (n <= kShortMax) {
            unsigned char bytes[sizeof(uintptr_t)] = {};
            bytes[0] = static_cast<unsigned char>((n << 1) | 1);
            std::memcpy(bytes + 1, s, n);
            uintptr_t v;
            std::memcpy(&v, bytes, sizeof v);
            return v;
        }
        Text* t = static_cast<Text*>(::operator new(offsetof(Text, text) + n + 1));
        t->refs = 1;
        t->length = uint32_t(n);
        std::memcpy(t->text, s, n);
        t->text[n] = '\0';
        return reinterpret_cast<uintptr_t>(t);
    }
    // Copies may live on other threads (the lookup worker writes records).
    static void Retain(uintptr_t v)
    {
        if (v && !IsShort(v))
            __atomic_add_fetch(&Block(v)->refs, 1, __ATOMIC_RELAXED);
    }
    static void Release(uintptr_t v)
    {
        if (v && !IsShort(v) && __atomic_sub_fetch(&Block(v)->refs, 1, __ATOMIC_ACQ_REL) == 0)
            ::operator delete(Block(v));
    }

    uintptr_t m_nValue = 0; // 0: empty; low bit set: the short form; else a Text, with kTailBit a tail of it
};
