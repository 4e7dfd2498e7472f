// No Windows version on POSIX systems: the class is "any other version".
#include "OsVersion.h"

namespace kivra {

std::optional<OsVersion> readOsVersion() { return std::nullopt; }

}  // namespace kivra
