// The names every store backend accepts, so that an export made on one platform imports on
// the other: the registry refuses an empty part of a key path, parts longer than 255 UTF-16
// characters, value names longer than 16383 and NUL anywhere; an empty value name would be
// the key's default value there, not a setting of its own.
#pragma once

#include <string>
#include <string_view>

namespace kivra {

// Why `path` (application name and section joined by backslashes) cannot name a section, or
// empty when it can.
std::string sectionPathProblem(std::string_view path);

// Why `key` cannot name a value, or empty when it can.
std::string keyNameProblem(std::string_view key);

}  // namespace kivra
