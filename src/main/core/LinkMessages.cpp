// The body texts of the link pages' messages.
#include "LinkMessages.h"

#include "LinkTable.h"

namespace kivra {

namespace {
const std::string br = kLineBreak;
}

std::string hostNotRunningText() {
    return "The Host Window is not running, or its Window" + br +
           "Title has been changed.  Run the Host Window," + br +
           "adjust Link's [Edit] options, or re-create Link.";
}

std::string cantDeactivateText() {
    return "Cannot deactivate a Kivra Host Link that is not" + br +
           "currently active.  Make sure the Host Window is" + br +
           "running and that its Kivra Host Link is active.";
}

std::string tooManyLinksText() {
    return "Can't add another Host Link because the maximum" + br + "number possible " +
           std::to_string(LinkTable::kMaxLinks) + " exist already.  You must" + br +
           "delete Host Link(s) before you can add any more.";
}

std::string duplicateTitleText() {
    return "Title already on List.  To create Multiple Links "
           "for this Host, use [Edit] to shorten matching Link's "
           "Title and to set its Fuzzy option ON, then [Add>]. ";
}

std::string alreadyActiveText() {
    return "That selected Memorized Host Window Link is" + br + "already Active.";
}

std::string confirmExitText() {
    return "Exiting the Kivra Main Application will also" + br +
           "terminate any active Kivra Host Window Links." + br +
           "            Continue Exiting Kivra Main?";
}

std::string confirmDeleteText() { return "Confirm [Yes] to delete the selected Host Link."; }

std::string confirmDeactivateText() {
    return "Deactivating a Link resets its AutoExec Option to OFF."
           "  You will need to set this Option back ON manually."
           "  Confirm [Yes] to Deactivate this Link.";
}

std::string classMismatchText() {
    return "The Host Window's Class Name does not match  Link's recorded one.  "
           "Use [Edit] Link to turn Require Class Match OFF before activating Link.";
}

std::string resourcesLowText() {
    return "You've reached the maximum number concurrent KVA Links recommended for physical memory in "
           "your system.  Check for Low System Resources!";
}

std::string hostNotActiveText() {
    return "Selected Link's Host Window is not active.  Run" + br + "that Host Window before clicking [Host].";
}

std::string cantExecuteText() {
    return "This function cannot be performed if the Kivra " + br +
           "Form is Maximized or Minimized.  Restore it to " + br +
           "Normalized state, then re-execute this function.";
}

}  // namespace kivra
