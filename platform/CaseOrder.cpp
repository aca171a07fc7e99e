#include "CaseOrder.h"
#include <vector>

namespace platform {

namespace {

int Sign(int r) { return (r > 0) - (r < 0); }

// Pairs that differ in case, in bytes from 0x80 up, in length and in single
// bytes: a table that answers one of them otherwise than the runtime is not
// used.
bool AgreesWithRuntime(const CCaseOrder& order)
{
    uint32_t seed = 0x2545F491u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (int i = 0; i < 768; ++i) {
        char a[10] = {}, b[10] = {};
        size_t n = next() % 8;
        for (size_t k = 0; k < n; ++k) {
            a[k] = char(1 + next() % 255);
            char flipped = char(a[k] ^ 0x20);
            b[k] = next() % 5 == 0 ? char(1 + next() % 255) : (next() % 2 && flipped ? flipped : a[k]);
        }
        if (n > 0 && next() % 6 == 0)
            b[n - 1] = 0; // one shorter
        else if (next() % 6 == 0)
            b[n] = char(1 + next() % 255); // one longer
        if (order.Compare(a, b) != Sign(MbsICmp(a, b)) || order.Compare(b, a) != Sign(MbsICmp(b, a)))
            return false;
    }
    return true;
}

} // namespace

CCaseOrder CCaseOrder::FromRuntime()
{
    if (RuntimeHasLeadBytes())
        return CCaseOrder();
    // Every byte as a string of its own; the zero byte is the empty string,
    // which stands for the end of a string.
    char text[256][2] = {};
    for (int c = 1; c < 256; ++c)
        text[c][0] = char(c);
    // Binary insertion: few calls, and no answer of the runtime can lead a
    // step outside the array.
    std::vector<int> sorted;
    sorted.reserve(256);
    for (int c = 0; c < 256; ++c) {
        size_t lo = 0, hi = sorted.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (MbsICmp(text[sorted[mid]], text[c]) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        sorted.insert(sorted.begin() + long(lo), c);
    }
    CCaseOrder order;
    uint16_t weight = 0;
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0) {
            int r = MbsICmp(text[sorted[i - 1]], text[sorted[i]]);
            if (r > 0)
                return CCaseOrder(); // no order at all
            weight = uint16_t(weight + (r < 0));
        }
        order.m_nWeight[sorted[i]] = weight;
    }
    for (int c = 1; c < 256; ++c)
        if (order.m_nWeight[c] == order.m_nWeight[0])
            return CCaseOrder(); // a byte the runtime takes for the end
    order.m_bByRuntime = false;
    return AgreesWithRuntime(order) ? order : CCaseOrder();
}

const CCaseOrder& CCaseOrder::Process()
{
    static const CCaseOrder order = FromRuntime();
    return order;
}

const CCaseOrder& CCaseOrder::Utf8()
{
    static const CCaseOrder order = [] {
        CCaseOrder o;
        o.m_bByRuntime = false;
        for (int c = 0; c < 256; ++c)
            o.m_nWeight[c] = uint16_t(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        return o;
    }();
    return order;
}

} // namespace platform
