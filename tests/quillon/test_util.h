// Hex helpers shared by the Quillon suites.
#ifndef QUILLON_TEST_UTIL_H
#define QUILLON_TEST_UTIL_H

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

using bytes = std::vector<unsigned char>;

inline bytes from_hex(const std::string &hex)
{
    bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string to_hex(const unsigned char *p, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

inline std::string to_hex(const bytes &b) { return to_hex(b.data(), b.size()); }

} // namespace qvtest

#endif
