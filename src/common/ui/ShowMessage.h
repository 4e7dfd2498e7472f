// Showing a message box from anywhere in either program: set the pending kind and text, show
// the form modally over the owner, read the result. Tests answer boxes through a responder.
#pragma once

#include "MessageState.h"
#include "MsgBoxKinds.h"
#include "MsgBoxPlacement.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace kivra {

// Shows message kind `kind` with `text` as the body where the kind takes the caller's text, and
// returns the result: 6 first button, 7 second, 1 Info. `caption` is used by the error report
// kind only, which keeps the caption its caller sets.
int ShowMessage(int kind, const QString& text, QWidget* owner, const MsgBoxPlacement& placement,
                const QString& caption = {});

// The same, placed where placementFor(owner) says.
int ShowMessage(int kind, const QString& text, QWidget* owner);

// The placement provider's answer for the owner, or the owner's own frame while none is set.
MsgBoxPlacement placementFor(QWidget* owner);

// What a scripted responder is asked; setting tickCheckBox clicks the offered check box once.
struct MessageRequest {
    MsgBoxContent content;   // caption, body, icon, buttons and their tips, check box
    QWidget* owner = nullptr;
    bool tickCheckBox = false;
};

// When set, every box is answered by the responder instead of being shown; a responder that
// returns no value lets the real form show.
using MessageResponder = std::function<std::optional<int>(MessageRequest&)>;
void setMessageResponder(MessageResponder responder);

// Supplies the page, picture alignment and geometry of the main form for the short ShowMessage.
using PlacementProvider = std::function<MsgBoxPlacement(QWidget* owner)>;
void setPlacementProvider(PlacementProvider provider);

// Opens the help file at a context id with the given owner (installed by the help feature).
using HelpHook = std::function<void(int contextId, QWidget* owner)>;
void setHelpHook(HelpHook hook);
// Calls the help hook unless help is suppressed on this operating system.
void openContextHelp(int contextId, QWidget* owner);

}  // namespace kivra
