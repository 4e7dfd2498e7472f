// How the link management logic talks to the user: it names a message kind and a
// body text, and the main program's message box shows it and gives the result.
#pragma once

#include <string>

namespace kivra {

// The message kinds this logic shows, with the numbers the message box knows them by.
enum class MessageKind : int {
    HostNotRunning = 11,     // Activate: no window matches the link
    CantDeactivate = 13,     // Deactivate: the link is not active
    TooManyLinks = 14,       // Add: 32767 links exist
    DuplicateEditTitle = 15, // Edit: the edited title matches another link's
    DuplicateTitle = 16,     // Add: the title is on the list already
    AlreadyActive = 17,      // Activate: the link runs already
    CantRecordClass = 18,    // Edit, Rec.: the link or its host is not running
    ClassRecorded = 19,      // Edit, Rec.: the recorded class name
    ConfirmExit = 23,        // exit with running links
    ConfirmDelete = 24,      // Delete
    ConfirmResetPosition = 25, // Edit, Home (the box's own body)
    ConfirmDeactivate = 26,  // Deactivate an auto-execute link
    ClassMismatch = 27,      // Activate: the first matching window fails the class or single-character test
    ResourcesLow = 28,       // after a launch: many links and little free memory
    SetFuzzyOn = 29,         // Edit, Apply: the title got shorter under Exact (the box's own body)
    HostNotActive = 37,      // Host: no window matches the link
    CantExecute = 38,        // the main window is minimized or maximized
    CantPick = 39,           // Pick: the clicked window is not on the host list
};

// Results of a shown box.
inline constexpr int kResultFirst = 6;   // OK / Yes
inline constexpr int kResultSecond = 7;  // No / Cancel

class MessageSink {
public:
    virtual ~MessageSink() = default;

    // Shows `kind` modally with `text` as its body and returns the result (6 first
    // button, 7 second). The confirmation kinds 24, 25, 26 and 29 bring their own body; the
    // text given for them is the same body and may be ignored.
    virtual int show(MessageKind kind, const std::string& text) = 0;

    // The session's resource warning off flag. The resource warning's check box
    // inverts it while the box is shown; start-up sets it from `MemTestOff`.
    virtual bool resourceWarningOff() const = 0;
    virtual void setResourceWarningOff(bool off) = 0;
};

}  // namespace kivra
