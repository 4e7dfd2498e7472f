// Decoding of X11 text properties into bounded, valid UTF-8.
#include "X11Text.h"

#include <cctype>

namespace kivra::x11 {
namespace {

constexpr char32_t Replacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 when it is not one.
std::size_t sequenceLength(std::string_view s) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    auto cont = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
        return i < s.size() && byte(i) >= lo && byte(i) <= hi;
    };
    const unsigned b = byte(0);
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        return cont(1, lo, hi) && cont(2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        return cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The character sets compound text can switch between that we can decode.
enum class Charset { Ascii, Latin1High, Unknown1, Unknown2 };

// Decodes one extended segment (ESC % / F M L name STX data); returns the bytes consumed.
std::size_t decodeExtendedSegment(std::string_view s, std::size_t pos, std::string& out) {
    if (pos + 2 > s.size()) return s.size() - pos;
    const std::size_t length = (static_cast<unsigned char>(s[pos]) - 0x80u) * 0x80u +
                               (static_cast<unsigned char>(s[pos + 1]) - 0x80u);
    const std::string_view segment = s.substr(pos + 2, length);
    const std::size_t stx = segment.find('\x02');
    if (stx != std::string_view::npos) {
        const std::string_view name = segment.substr(0, stx), data = segment.substr(stx + 1);
        if (equalsIgnoringCase(name, "utf-8")) out += sanitizeUtf8(data);
        else if (equalsIgnoringCase(name, "iso8859-1")) out += latin1ToUtf8(data);
        else if (!data.empty()) appendUtf8(out, Replacement);
    }
    return 2 + segment.size();
}

}  // namespace

std::string_view cutAtNul(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

std::string sanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = sequenceLength(bytes.substr(i));
        if (n == 0) {
            appendUtf8(out, Replacement);
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) appendUtf8(out, b);
    return out;
}

std::string compoundTextToUtf8(std::string_view s) {
    std::string out;
    Charset gl = Charset::Ascii, gr = Charset::Latin1High;
    bool utf8 = false;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b == 0x1B) {  // ESC intermediates... final
            std::size_t j = i + 1;
            while (j < s.size() && s[j] >= 0x20 && s[j] <= 0x2F) ++j;
            if (j >= s.size()) break;
            const std::string_view inter = s.substr(i + 1, j - i - 1);
            const char final = s[j];
            i = j + 1;
            if (inter == "%" && final == 'G') utf8 = true;
            else if (inter == "%" && final == '@') utf8 = false;
            else if (inter == "%/") i += decodeExtendedSegment(s, i, out);
            else if (inter == "(") gl = (final == 'B' || final == 'J') ? Charset::Ascii : Charset::Unknown1;
            else if (inter == "-") gr = final == 'A' ? Charset::Latin1High : Charset::Unknown1;
            else if (inter == ")") gr = Charset::Unknown1;
            else if (inter == "$(") gl = Charset::Unknown2;
            else if (inter == "$)") gr = Charset::Unknown2;
            continue;
        }
        if (utf8) {
            const std::size_t end = s.find('\x1B', i);
            const std::string_view run = s.substr(i, end == std::string_view::npos ? s.size() - i : end - i);
            out += sanitizeUtf8(run);
            i += run.size();
            continue;
        }
        if (b == 0x9B) {  // CSI direction control: parameters, then a final byte
            ++i;
            while (i < s.size() && !(s[i] >= 0x40 && s[i] <= 0x7E)) ++i;
            ++i;
            continue;
        }
        const bool high = b >= 0x80;
        const Charset set = (b < 0x20 || b == 0x7F) ? Charset::Ascii : (high ? gr : gl);
        switch (set) {
            case Charset::Ascii: appendUtf8(out, b & 0x7F); break;
            case Charset::Latin1High: appendUtf8(out, b); break;
            case Charset::Unknown1: appendUtf8(out, Replacement); break;
            case Charset::Unknown2: appendUtf8(out, Replacement); ++i; break;
        }
        ++i;
    }
    return out;
}

std::string limitCharacters(std::string utf8, std::size_t maxCharacters) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;  // continuation byte
        if (count == maxCharacters) {
            utf8.resize(i);
            break;
        }
        ++count;
    }
    return utf8;
}

}  // namespace kivra::x11
