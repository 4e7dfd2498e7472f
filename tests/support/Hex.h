// Two lower-case hex digits a byte: how tests pass arbitrary bytes through text protocols.
#pragma once

#include <string>
#include <string_view>

namespace kivra::test {

inline std::string hexDigits(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

}  // namespace kivra::test
