// The operating-system class from the version numbers.
#include "OsVersion.h"

namespace kivra {

OsClass classifyOsVersion(const std::optional<OsVersion>& version) {
    if (!version) return OsClass::Other;
    const auto [major, minor] = *version;
    if (major == 4 && minor == 0) return OsClass::Version40;
    if (major == 4 && minor == 10) return OsClass::Version410;
    if (major == 4 && minor == 90) return OsClass::Version490;
    if (major == 5) return OsClass::Major5;
    if (major == 6) return OsClass::Major6;
    if (major == 7) return OsClass::Major7;
    return OsClass::Other;
}

bool osVersionSupported(const std::optional<OsVersion>& version) { return !version || version->major >= 4; }

bool osClassSuppressesHelp(OsClass osClass) { return osClass == OsClass::Major6 || osClass == OsClass::Major7; }

}  // namespace kivra
