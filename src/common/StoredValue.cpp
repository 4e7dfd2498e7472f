// Lenient number parsing and formatting of stored values.
#include "StoredValue.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace kivra {

double leadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0;
    bool digits = false;
    // Very long digit strings saturate towards infinity, never overflow anything.
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true)
        value = value * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10, digits = true)
            value += (text[i] - '0') * scale;
    }
    if (!digits) return 0;
    return negative ? -value : value;
}

bool isAbsent(std::string_view text) { return text == "-1"; }

namespace {
template <typename Int>
Int saturate(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);  // default rounding mode: halves to even
    if (r <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (r >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}
}  // namespace

std::int16_t toInt16(std::string_view text) { return saturate<std::int16_t>(leadingNumber(text)); }
std::int32_t toInt32(std::string_view text) { return saturate<std::int32_t>(leadingNumber(text)); }

std::string intText(long long value) { return std::to_string(value); }

std::string twipsText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

}  // namespace kivra
