// The operating system's version and the class the programs derive from it: the check that
// refuses too old a system, the help that some classes leave out, and command "2"'s rule.
#pragma once

#include <optional>

namespace kivra {

struct OsVersion {
    unsigned major = 0;
    unsigned minor = 0;
    bool operator==(const OsVersion&) const = default;
};

// Windows: the true version (RtlGetVersion; GetVersionEx reports 6.2 to programs without a
// compatibility manifest from Windows 8.1 on). Elsewhere nullopt: there is no Windows version.
std::optional<OsVersion> readOsVersion();

// The seven classes; exactly one applies. A system that is not Windows is Other.
enum class OsClass {
    Version40,   // major 4, minor 0
    Version410,  // major 4, minor 10
    Version490,  // major 4, minor 90
    Major5,
    Major6,
    Major7,
    Other,       // any other version of major 4 or above
};

OsClass classifyOsVersion(const std::optional<OsVersion>& version);

// False only for a Windows version below major 4: the programs then refuse to start.
bool osVersionSupported(const std::optional<OsVersion>& version);

// The classes of major version 6 and 7 open no help.
bool osClassSuppressesHelp(OsClass osClass);

}  // namespace kivra
