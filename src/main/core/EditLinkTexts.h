// The Edit Host Link page's texts: message bodies and tool tips, exactly as the user reads them.
#pragma once

#include <string>
#include <string_view>

namespace kivra {

std::string duplicateEditTitleText();  // kind 15
std::string cantRecordClassText();     // kind 18
std::string resetPositionText();       // kind 25 (the box's own body)
std::string setFuzzyOnText();          // kind 29 (the box's own body)

// The page's controls that carry a tool tip.
enum class EditControl {
    TitleText,       // EditLinksText1
    Exact,           // ELinksOpt1
    Fuzzy,           // ELinksOpt2
    FuzzyExclusion,  // ELinksOpt2A
    ExclusionText,   // EditLinksText2
    AutoExecOn,      // ELinksOpt3
    AutoExecOff,     // ELinksOpt4
    TerminatePopup,  // ELinksOpt4A
    ClassMatchYes,   // ELinksOpt5
    ClassMatchNo,    // ELinksOpt6
    AutoTermOn,      // ELinksOpt7
    AutoTermOff,     // ELinksOpt8
    RecordClass,     // ELinksCmd3
    ResetPosition,   // ELinksCmd4
    CloseButton,     // ELinksCmd1 while it reads "&Close"
    ApplyButton,     // ELinksCmd1 once it reads "&Apply"
    CancelButton,    // ELinksCmd2
};

// Set only while the main form's tool-tips option is on.
std::string_view editLinkToolTip(EditControl control);

}  // namespace kivra
