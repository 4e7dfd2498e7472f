// The names a link process derives from its title: the link title it compares and
// shows, the key-safe title, its settings path and the application title.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivra {

inline constexpr std::string_view kLinkApplicationTitlePrefix = "Kivra [Link] ";
// Characters of the key-safe title kept in the application title (13 + 27 = 40).
inline constexpr std::size_t kApplicationTitleTitleChars = 27;

struct LinkNames {
    std::string linkTitle;         // the title text right-trimmed of blanks
    std::string keySafeTitle;      // the title text untrimmed, backslashes as forward slashes
    std::string instanceAppName;   // "Kivra\Kivra [Link] " + key-safe title + "\Inst i of n"
    std::string applicationTitle;  // "Kivra [Link] " + the first 27 characters of the key-safe title
};

// Builds every name from the title text, as at start-up and on a rename.
LinkNames makeLinkNames(std::string_view titleText, std::int16_t instance, std::int16_t count);

}  // namespace kivra
