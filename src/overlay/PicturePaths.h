// Picture path texts: joining a directory and a file name, the file name and
// directory parts of a path, and the wrapped form of a path in a confirmation box.
#pragma once

#include <string>
#include <string_view>

namespace kivra {

// The separator between a directory and the names in it.
inline constexpr char kPathSeparator = '/';

// The directory, a separator unless the directory already ends with one, and the
// name: a file in the root directory ("/") joins as "/name", never "//name".
std::string joinDirectoryFile(std::string_view directory, std::string_view name);

// What follows the last separator (the whole path when there is none).
std::string fileNamePart(std::string_view path);

// Everything before the last separator; the root itself for a file in the root;
// empty for a bare name.
std::string directoryPart(std::string_view path);

// The path as the viewed-file confirmation shows it: a path longer than 160
// characters keeps its first 3, then "...  ", then its last 152; the result is cut
// into lines of 40 characters joined by CR LF, at most four lines (the fourth holds
// the remainder). Characters are code points of the UTF-8 text.
std::string formatPathForConfirmation(std::string_view path);

}  // namespace kivra
