// What each message kind shows: caption, body, icon, buttons, check box and tool tips, resolved
// against the caller's text and the tool-tips option. The form applies it; a scripted responder
// receives the same content.
#pragma once

#include <QString>

namespace kivra {

// Positions in twips from the form's client top-left corner.
namespace msgbox {
constexpr int ImageLeft = 120, ImageTop = 120, ImageSize = 480;
constexpr int LabelLeft = 720, LabelTop = 120, LabelRightMargin = 120;
constexpr int ButtonTop = 780, ButtonWidth = 600, ButtonHeight = 315;
constexpr int Cmd1Left = 1880;         // the single button, centred
constexpr int PairFirstLeft = 1560;    // two buttons side by side
constexpr int PairSecondLeft = 2260;
constexpr int LeftAlignedLeft = 95;    // the single button under the icon, leaving room for long text
constexpr int CheckLeft = 840, CheckTop = 820, CheckHeight = 255;
constexpr int ControlGap = 15;         // kept between the label and a control below it
}  // namespace msgbox

// Fixed texts of the form.
QString productDescription();   // tool tip of the welcome box's message text
QString closeTip();             // "Close Kivra Message Box window."
QString activationFailureCaption();
QString rightsLine();           // one line, in the welcome box's caption
QString rightsNotice();         // two lines joined by CR LF, in the About text
QString supportContactText();   // the support contact box's body
QString designTimeCaption();    // caption of a kind the table does not list

enum class MsgBoxCheck { None, StartupMessage, ResourceWarning };

struct MsgBoxButton {
    bool visible = false;
    QString caption;
    int left = 0;  // twips
    QString toolTip;
};

struct MsgBoxContent {
    int kind = 0;
    bool listed = false;          // false: the design-time layout of an unlisted kind
    QString caption;
    QString body;                 // as the caller or the kind gives it, CR LF line breaks
    int icon = 0;                 // icon resource number (0: the design-time icon)
    int labelTop = msgbox::LabelTop;
    bool wordWrap = true;
    QString labelToolTip;
    MsgBoxButton cmd1, cmd2, cmd4;
    MsgBoxCheck check = MsgBoxCheck::None;
    QString checkCaption;
    int checkTop = msgbox::CheckTop;
    QString checkToolTip;
    int defaultResult = 6;        // Enter
    int cancelResult = 6;         // Esc and the window's close button
    bool twoButtons() const { return cmd2.visible; }
};

struct MsgBoxInputs {
    int kind = 0;
    QString pendingText;
    QString callerCaption;        // kept by the error report kind
    bool toolTips = true;
    QString versionText;
};

MsgBoxContent resolveMsgBox(const MsgBoxInputs& in);

}  // namespace kivra
