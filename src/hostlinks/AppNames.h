// Application names in the settings store: the main program's, a link instance's,
// and the key-safe form of a link title used inside them.
#pragma once

#include "Preferences.h"

#include <string>
#include <string_view>

namespace kivra {

inline constexpr std::string_view kMainApplicationName = kMainAppName;
inline constexpr std::string_view kRootApplicationName = "Kivra";
inline constexpr std::string_view kHostLinksSection = "HostLinks";
inline constexpr std::string_view kLinkOptionsSection = "LinkOptions";

// The title with every backslash replaced by a forward slash, so that a title never
// adds levels to a store path. Everything else, blanks and case included, stays.
std::string MakeKeySafeTitle(std::string_view title);

// "Kivra [Link] " + key-safe title: the section under "Kivra" that holds every
// instance of one link.
std::string linkSectionName(std::string_view title);

// "Kivra\Kivra [Link] " + key-safe title + "\Inst " + i + " of " + n.
// The main program always uses instance 1 of 1.
std::string linkInstanceAppName(std::string_view title, int instance = 1, int count = 1);

}  // namespace kivra
