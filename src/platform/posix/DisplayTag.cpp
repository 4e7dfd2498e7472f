// The display's name as a file-name tag.
#include "DisplayTag.h"

#include <cstdlib>

namespace kivra {

std::string displayTag() {
    const char* d = std::getenv("DISPLAY");
    std::string s = d && *d ? d : "nodisplay";
    const auto colon = s.rfind(':');
    if (colon != std::string::npos) {
        const auto dot = s.find('.', colon);
        if (dot != std::string::npos) s.erase(dot);
        if (s.compare(0, colon, "localhost") == 0 || s.compare(0, colon, "unix") == 0) s.erase(0, colon);
    }
    for (char& c : s)
        if (c == '/' || c == ' ' || c == '\0') c = '_';
    if (s == "." || s == "..") s = "_";
    return s;
}

}  // namespace kivra
