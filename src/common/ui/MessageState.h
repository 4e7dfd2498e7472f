// The process-wide message state shared between the callers of the message box and the form:
// pending kind and text, result, the open and first-activation flags, the two check-box flags,
// and the message kinds both programs use.
#pragma once

#include <QString>

namespace kivra {

// Message kinds: each selects the caption, icon, buttons and check box of the box.
constexpr int MsgAbout = 1;
constexpr int MsgWelcome = 3;
constexpr int MsgPictureLoadFailure = 10;
constexpr int MsgCantActivateNoHost = 11;
constexpr int MsgErrorReport = 12;
constexpr int MsgCantDeactivate = 13;
constexpr int MsgCantAddAnotherLink = 14;
constexpr int MsgDuplicateLinkTitle = 15;
constexpr int MsgCantAddHostTitle = 16;
constexpr int MsgLinkAlreadyActive = 17;
constexpr int MsgCantRecordClass = 18;
constexpr int MsgClassRecorded = 19;
constexpr int MsgShowPictureFile = 20;
constexpr int MsgResetPreferences = 22;
constexpr int MsgExitMain = 23;
constexpr int MsgDeleteLink = 24;
constexpr int MsgResetLinkPosition = 25;
constexpr int MsgDeactivateLink = 26;
constexpr int MsgCantActivateMismatch = 27;
constexpr int MsgResourcesLow = 28;
constexpr int MsgSetFuzzyOn = 29;
constexpr int MsgCantActivateGeneric = 35;
constexpr int MsgSupportContact = 36;
constexpr int MsgCantBringHostToTop = 37;
constexpr int MsgCantExecute = 38;

// Results written by the button that closes the box.
constexpr int MsgResultFirst = 6;   // OK / Yes / Close
constexpr int MsgResultSecond = 7;  // No / Cancel
constexpr int MsgResultInfo = 1;    // Info of the About box

// The main program clears the open flag when the box closes; the link program keeps it set
// until the main program's next raise command.
enum class ProgramRole { Main, Link };

struct MessageState {
    int pendingKind = 0;
    QString pendingText;
    QString pendingCaption;          // the caption of the error report box, which keeps it
    int result = 0;
    bool boxOpen = false;            // set when a box is shown
    bool firstActivation = false;    // set on load, cleared when the kind's layout is applied
    bool startupMessage = true;      // StartupMsg: show the welcome box at start
    bool resourceWarningOff = false; // no more low-resource warnings this session
    bool toolTips = true;            // the main form's tool-tips option
    bool helpSuppressed = false;     // operating-system classes that open no help
    ProgramRole program = ProgramRole::Main;
    QString versionText;             // "2.00", shown in the welcome box's caption
};

// The one copy of this process.
MessageState& messages();

}  // namespace kivra
