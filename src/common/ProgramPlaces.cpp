// Beside the program first (build tree, Windows), then the installed folders.
#include "ProgramPlaces.h"

#include <filesystem>
#include <system_error>

// Relative paths between the installed folders, set by the install rules; empty (everything
// beside the programs) where none are set.
#ifndef KIVRA_LINK_FROM_BIN
#define KIVRA_LINK_FROM_BIN ""
#endif
#ifndef KIVRA_DATA_FROM_BIN
#define KIVRA_DATA_FROM_BIN ""
#endif
#ifndef KIVRA_DATA_FROM_LINK
#define KIVRA_DATA_FROM_LINK ""
#endif

namespace kivra {

namespace {

namespace fs = std::filesystem;

// The folder `relative` to `base`, without "..", with a trailing separator.
std::string folder(const std::string& base, const char* relative) {
    std::string out = (fs::path(base) / relative).lexically_normal().string();
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    return out;
}

bool holdsData(const std::string& dataFolder) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(dataFolder) / "help" / "index.html", ec);
}

}  // namespace

ProgramPlaces programPlaces(const std::string& programFolder) {
    if (holdsData(programFolder)) return {programFolder, programFolder};
    // The main program in bin/: its link program and data in their own folders.
    const std::string fromBin = folder(programFolder, KIVRA_DATA_FROM_BIN);
    if (holdsData(fromBin)) return {folder(programFolder, KIVRA_LINK_FROM_BIN), fromBin};
    // The link program in libexec/kivra/.
    const std::string fromLink = folder(programFolder, KIVRA_DATA_FROM_LINK);
    if (holdsData(fromLink)) return {programFolder, fromLink};
    return {programFolder, programFolder};
}

}  // namespace kivra
