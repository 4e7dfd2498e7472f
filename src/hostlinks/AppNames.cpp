// Building the store paths of links from their titles.
#include "AppNames.h"

#include <algorithm>

namespace kivra {

std::string MakeKeySafeTitle(std::string_view title) {
    std::string safe(title);
    std::replace(safe.begin(), safe.end(), '\\', '/');
    return safe;
}

std::string linkSectionName(std::string_view title) { return "Kivra [Link] " + MakeKeySafeTitle(title); }

std::string linkInstanceAppName(std::string_view title, int instance, int count) {
    return std::string(kRootApplicationName) + "\\" + linkSectionName(title) + "\\Inst " + std::to_string(instance) +
           " of " + std::to_string(count);
}

}  // namespace kivra
