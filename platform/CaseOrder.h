// The runtime's case-insensitive order (MbsICmp) as a table of byte weights,
// read from the runtime itself, so that the group indexes compare names
// without calling into the runtime for every comparison. Where the runtime
// compares two bytes at a time (a double-byte code page), or where it does
// not follow one weight per byte, every comparison stays the runtime's own.
#pragma once
#include "PlatformText.h"
#include <cstdint>
#include <cstring>
#include <string>

namespace platform {

class CCaseOrder {
public:
    // The order the runtime follows now.
    static CCaseOrder FromRuntime();
    // The order read when this process first compared: indexes built on it
    // stay sorted even if the host later changes the runtime's code page.
    static const CCaseOrder& Process();
    // The order of UTF-8 text: ASCII letters fold to lower case, every other
    // byte weighs its value, so that names compare by code point and names
    // that differ outside ASCII never compare equal.
    static const CCaseOrder& Utf8();
    // The order names of that code follow.
    static const CCaseOrder& For(TextCode code) { return code == CODE_UTF8 ? Utf8() : Process(); }

    // The sign of MbsICmp(a, b): -1, 0 or 1.
    int Compare(const char* a, const char* b) const
    {
        if (m_bByRuntime) {
            int r = MbsICmp(a, b);
            return (r > 0) - (r < 0);
        }
        const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
        const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
        for (;; ++p, ++q) {
            // Only the terminator weighs what it weighs, so equal weights
            // at a zero byte mean both strings end here.
            unsigned wp = m_nWeight[*p], wq = m_nWeight[*q];
            if (wp != wq)
                return wp < wq ? -1 : 1;
            if (*p == 0)
                return 0;
        }
    }
    bool ByRuntime() const { return m_bByRuntime; }
    // A byte's place in the order (below 256); without meaning by runtime.
    unsigned Weight(unsigned char c) const { return m_nWeight[c]; }

private:
    bool m_bByRuntime = true;
    uint16_t m_nWeight[256] = {};
};

// Group names in one of these orders; finds by text need no string of their own.
struct CaseLess {
    using is_transparent = void;
    CaseLess(const CCaseOrder& order = CCaseOrder::Process()) : pOrder(&order) {}
    const CCaseOrder* pOrder;
    bool operator()(const char* a, const char* b) const { return pOrder->Compare(a, b) < 0; }
    bool operator()(const std::string& a, const std::string& b) const { return (*this)(a.c_str(), b.c_str()); }
    bool operator()(const std::string& a, const char* b) const { return (*this)(a.c_str(), b); }
    bool operator()(const char* a, const std::string& b) const { return (*this)(a, b.c_str()); }
};

} // namespace platform
