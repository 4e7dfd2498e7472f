// The body texts of the messages the link pages show, exactly as the user reads them.
#pragma once

#include <string>

namespace kivra {

// A line break inside a message body.
inline constexpr const char* kLineBreak = "\r\n";

std::string hostNotRunningText();   // kind 11
std::string cantDeactivateText();   // kind 13
std::string tooManyLinksText();     // kind 14
std::string duplicateTitleText();   // kind 16
std::string alreadyActiveText();    // kind 17
std::string confirmExitText();      // kind 23
std::string confirmDeleteText();    // kind 24 (the box's own body)
std::string confirmDeactivateText();// kind 26 (the box's own body)
std::string classMismatchText();    // kind 27
std::string resourcesLowText();     // kind 28
std::string hostNotActiveText();    // kind 37
std::string cantExecuteText();      // kind 38

}  // namespace kivra
