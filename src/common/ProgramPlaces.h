// Where a program finds the link program and its data files (help/, welcome.gif).
// In the build tree (and on Windows) everything sits beside the programs. In an installed
// tree `kivra` is in bin/, `kivlink` in libexec/kivra/ and the data in share/kivra/, each
// found relative to the running program's own folder, so the tree can be moved as a whole.
#pragma once

#include <string>

namespace kivra {

struct ProgramPlaces {
    std::string linkProgramFolder;  // with a trailing separator
    std::string dataFolder;         // with a trailing separator
};

// `programFolder` is the running program's folder, with a trailing separator. When no data
// is found in either layout, both places are that folder, as before installing existed.
ProgramPlaces programPlaces(const std::string& programFolder);

}  // namespace kivra
