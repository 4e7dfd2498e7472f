// The link record: one memorized host link, as the main program keeps it in memory.
#pragma once

#include "Matching.h"
#include "WindowSystem.h"

#include <string>

namespace kivra {

// Fields in the order the link table has always kept them. The defaults are the
// values of a new or freshly loaded link.
struct HostLink {
    std::string title{};                     // matched against window titles; unique ignoring case and blanks
    std::string winClass{};                  // the host's class name, recorded when the link was added
    WindowId hostWindow = 0;                 // the host while active, else 0
    WindowId linkWindow = 0;                 // the link program's window while active, else 0
    bool active = false;                     // a link program runs for this link
    bool autoExecReady = true;               // the auto-execute watcher may start it
    MatchMethod matchMethod = MatchMethod::Exact;
    std::string exclusionText{};             // vetoes a FuzzyExclusion match
    bool autoExec = true;                    // start automatically when the host becomes active
    bool matchClass = false;                 // a host must also have the recorded class
    bool autoTerminate = true;               // end when the host's title stops matching
    bool terminateHost = false;              // close the host instead of covering it

    bool operator==(const HostLink&) const = default;

    // The rule the matching functions take.
    LinkMatchRule matchRule() const {
        return {title, matchMethod, exclusionText,
                matchClass ? ClassRequirement::Required : ClassRequirement::NotRequired, winClass};
    }
};

}  // namespace kivra
