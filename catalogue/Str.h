// CStr: the 8-bit string of the catalogue records. One pointer wide, so a
// record of seven strings stays small; the text lives on the heap only when it
// is not empty.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class CStr {
public:
    CStr() = default;
    CStr(const char* s) { Assign(s, s ? std::strlen(s) : 0); }
    CStr(std::string_view s) { Assign(s.data(), s.size()); }
    CStr(const std::string& s) { Assign(s.data(), s.size()); }
    CStr(const CStr& o) { Assign(o.c_str(), o.size()); }
    CStr(CStr&& o) noexcept : m_pData(o.m_pData) { o.m_pData = nullptr; }
    ~CStr() { delete[] m_pData; }

    CStr& operator=(const CStr& o)
    {
        if (this != &o)
            Assign(o.c_str(), o.size());
        return *this;
    }
    CStr& operator=(CStr&& o) noexcept
    {
        std::swap(m_pData, o.m_pData);
        return *this;
    }

    const char* c_str() const { return m_pData ? m_pData + sizeof(uint32_t) : ""; }
    size_t size() const
    {
        uint32_t n = 0;
        if (m_pData)
            std::memcpy(&n, m_pData, sizeof n);
        return n;
    }
    bool empty() const { return m_pData == nullptr; }
    std::string_view view() const { return std::string_view(c_str(), size()); }
    operator std::string_view() const { return view(); }
    bool operator==(std::string_view s) const { return view() == s; }

private:
    void Assign(const char* s, size_t n)
    {
        char* p = nullptr;
        if (n > 0) {
            p = new char[sizeof(uint32_t) + n + 1];
            uint32_t len = uint32_t(n);
            std::memcpy(p, &len, sizeof len);
            std::memcpy(p + sizeof len, s, n);
            p[sizeof len + n] = '\0';
        }
        delete[] m_pData;
        m_pData = p;
    }

    char* m_pData = nullptr; // [32-bit length][bytes][0], or null when empty
};
