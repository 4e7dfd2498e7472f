// Text between the store's UTF-8 and the registry's UTF-16, without loss for any bytes.
#pragma once

#include <string>
#include <string_view>

namespace kivra {

// UTF-8 to UTF-16. Well-formed UTF-8 converts as usual (embedded NULs included); each byte
// that is not part of a well-formed sequence becomes the lone low surrogate U+DC00 + byte,
// so that no byte string is lost on its way into the registry.
std::wstring toUtf16(std::string_view utf8);

// UTF-16 to UTF-8, the inverse of toUtf16: a lone surrogate U+DC80..U+DCFF gives back its
// byte; any other lone surrogate (written by another program) becomes U+FFFD.
std::string fromUtf16(std::wstring_view utf16);

}  // namespace kivra
