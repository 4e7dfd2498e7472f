// Reading one directory for the picture selection: its subdirectories and the
// files that match the file-type pattern, hidden entries left out, both sorted by
// name without regard to letter case.
#pragma once

#include "FilePattern.h"

#include <string>
#include <vector>

namespace kivra {

struct DirectoryListing {
    std::vector<std::string> subdirectories;
    std::vector<std::string> files;
};

// Throws KivraError (path not found, permission denied, device failures ...)
// when the directory cannot be read. An entry that cannot be examined (a link to
// nothing) counts as a file, so choosing it reports why it cannot be shown.
DirectoryListing listDirectory(const std::string& directory, const FilePattern& pattern);

// The directories from the root down to `directory` itself: "/a/b" gives "/",
// "/a", "/a/b". A relative or empty path gives nothing.
std::vector<std::string> directoryAncestors(const std::string& directory);

// Sorting order of the lists: letter case ignored, then byte order.
bool nameLess(const std::string& a, const std::string& b);

}  // namespace kivra
