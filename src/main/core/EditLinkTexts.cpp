// The Edit Host Link page's message bodies and tool tips.
#include "EditLinkTexts.h"

namespace kivra {

std::string duplicateEditTitleText() {
    return "Sorry, you cannot edit a Link Title so that it  "
           "matches another Link Title on Memorized List. "
           "Differences in case and padding are ignored.";
}

std::string cantRecordClassText() {
    return "The Host Window and its Link need to be active  "
           "before you can re-record the Host's Class Name.  "
           "Run intended Host Window and activate this Link. ";
}

std::string resetPositionText() {
    return "Confirm [Yes] to Reset Link's Position to Host "
           "Window's Top Left Corner.";
}

std::string setFuzzyOnText() {
    return "Since edited Title is shorter than original one, "
           "matching may not occur until Fuzzy Method is set "
           "ON.  Confirm [Yes] to set Fuzzy Method to ON. ";
}

std::string_view editLinkToolTip(EditControl control) {
    switch (control) {
    case EditControl::TitleText: return "Enter or Edit a Memorized Host Window Link's Title string.";
    case EditControl::Exact:
        return "Set Host Window Link's Title Matching Method feature to Exact.  Link's Title must match another "
               "Window's Title exactly.  Method is Case Sensitive.";
    case EditControl::Fuzzy:
        return "Set Host Window Link's Title Matching Method feature to Fuzzy.  A match occurs if Link's Title can "
               "be found within another Window's Title regardless of Case.";
    case EditControl::FuzzyExclusion:
        return "Same as the Fuzzy Matching Method option, but use an exclusion that will prevent a match with "
               "another Window's Title if the Exclusion Text is found in that Window's Title.";
    case EditControl::ExclusionText:
        return "Enter or Edit Exclusion Text for the Fuzzy + Exclusion Text Title Match Method.";
    case EditControl::AutoExecOn:
        return "Enable Host Window Link's Auto Execute feature.  Link is activated automatically if Host Window is "
               "Active and the matching criteria set here is satisfied.";
    case EditControl::AutoExecOff:
        return "Disable Host Window Link's Auto Execute feature.  Link is not activated automatically, but can "
               "still be activated manually via Kivra Activate Link function.";
    case EditControl::TerminatePopup:
        return "Terminate Link's Host Window instead.  Useful for Host Windows that you don't wish to see at all, "
               "i.e., Browser-enabled Pop-ups/unders/overs.";
    case EditControl::ClassMatchYes:
        return "Enable Host Window Class Name Matching requirement feature.  Helps prevent unintended Fuzzy Method "
               "Title matches with any non-targeted Host Window whose Title is the same or similar.";
    case EditControl::ClassMatchNo:
        return "Disable Host Window Class Name Matching requirement feature.  Host Window Class Names do not "
               "matter.  The Default setting for this feature.";
    case EditControl::AutoTermOn:
        return "Enable Browser Host Window Auto Terminate Link feature.  Link is deactivated automatically when "
               "Host Window's Title changes and matching criteria is no longer satisfied.";
    case EditControl::AutoTermOff:
        return "Disable Browser Host Window Auto Terminate Link feature.  Link is not deactivated automatically, "
               "but can still be deactivated manually via Kivra Deactivate Link function.";
    case EditControl::RecordClass:
        return "Record Link's Host Window Class Name.  A change in a Host's Class Name necessitates re-recording it "
               "for proper operation of the Host Window Class Name Matching feature.";
    case EditControl::ResetPosition: return "Reset Link's Position to Host Window's Top Left Corner.";
    case EditControl::CloseButton:
        return "Close Edit Host Link window and resume normal Kivra operation.  Note: Link Auto Execs and other "
               "Kivra operational features are not available while this window is open.";
    case EditControl::ApplyButton:
        return "Apply any changes made to Link's options and resume normal Kivra operation.";
    case EditControl::CancelButton:
        return "Cancel any changes made to Link's options and resume normal Kivra operation.";
    }
    return {};
}

}  // namespace kivra
