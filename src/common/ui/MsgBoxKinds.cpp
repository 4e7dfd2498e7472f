// The message kinds as data: one row per kind, resolved into the content the form shows.
#include "MsgBoxKinds.h"

#include "Icons.h"

#include <optional>

namespace kivra {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

enum class Buttons { Single, YesNo, AboutInfo };

struct KindRow {
    int kind;
    const char* caption;          // nullptr: the caller's caption (error report)
    const char* body;             // nullptr: the caller's text
    int icon;
    std::optional<int> labelTop;
    bool wordWrap;
    Buttons buttons;
    const char* cmd1Caption;      // nullptr: "&OK"
    std::optional<int> cmd1Left;  // single-button kinds only; pairs have fixed places
    const char* cmd2Caption;      // nullptr: "&No"
    const char* cmd1Tip;
    const char* cmd2Tip;          // second button, or Info of the About box
    MsgBoxCheck check;
    const char* checkTip;
};

constexpr const char* kActivationFailure = "[Kivra] Can't Activate Selected Host Link";
constexpr const char* kCloseTip = "Close Kivra Message Box window.";
constexpr const char* kWelcomeCaption = "";  // built in captionFor from the version and the rights line

// clang-format off
const KindRow kRows[] = {
    {1, "About Kivra", nullptr, IconProgram, {}, true, Buttons::AboutInfo, "&Close", msgbox::PairFirstLeft,
     nullptr, "", "Product Support Contact Information.", MsgBoxCheck::None, ""},
    {3, kWelcomeCaption, nullptr, IconProgram, 90, true, Buttons::Single, nullptr, msgbox::LeftAlignedLeft,
     nullptr, kCloseTip, "", MsgBoxCheck::StartupMessage,
     "Check this box to disable the Kivra Startup Message."},
    {10, "[Kivra] Picture File Load Failure", nullptr, IconWarning, 160, true, Buttons::Single, nullptr,
     msgbox::LeftAlignedLeft, nullptr, "", "", MsgBoxCheck::None, ""},
    {11, kActivationFailure, nullptr, IconRefusal, {}, true, Buttons::Single, nullptr, {}, nullptr, "", "",
     MsgBoxCheck::None, ""},
    {12, nullptr, nullptr, IconWarning, {}, true, Buttons::Single, nullptr, {}, nullptr, kCloseTip, "",
     MsgBoxCheck::None, ""},
    {13, "[Kivra] Can't Deactivate Selected Host Link", nullptr, IconDesignTime, {}, true, Buttons::Single,
     nullptr, {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {14, "[Kivra] Can't Add Another Host Window Link", nullptr, IconDesignTime, {}, true, Buttons::Single,
     nullptr, {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {15, "[Kivra] Can't Create Duplicate Link Title", nullptr, IconDesignTime, {}, true, Buttons::Single,
     nullptr, {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {16, "[Kivra] Can't Add Selected Host Window Title", nullptr, IconRefusal, {}, true, Buttons::Single,
     nullptr, {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {17, "[Kivra] Selected Host Window Link Active", nullptr, IconRefusal, {}, true, Buttons::Single, nullptr,
     {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {18, "[Kivra] Can't Record Host Class Name", nullptr, IconDesignTime, {}, true, Buttons::Single, nullptr,
     {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {19, "Host Class Name Recorded", nullptr, IconDesignTime, 315, true, Buttons::Single, nullptr, {}, nullptr,
     "", "", MsgBoxCheck::None, ""},
    {20, "Show this selected Picture File?", nullptr, IconQuestion, 90, false, Buttons::YesNo, "&Yes", {},
     nullptr, "Show the selected Picture File.", "Do not show the selected Picture File.", MsgBoxCheck::None,
     ""},
    {22, "Reset Preferences?",
     "Confirm [Yes] to Reset Preferences to Default "
     "settings.",
     IconQuestion, 270, true, Buttons::YesNo, "&Yes", {}, nullptr,
     "Reset Preference Options to Default settings.",
     "Do not reset Preference Options to Default settings.", MsgBoxCheck::None, ""},
    {23, "Exit Kivra Main?", nullptr, IconQuestion, {}, true, Buttons::YesNo, "&Yes", {}, "&Cancel",
     "Exit the Kivra Main application.", "Cancel exiting the Kivra Main application.", MsgBoxCheck::None,
     ""},
    {24, "Delete Host Link?", "Confirm [Yes] to delete the selected Host Link.", IconQuestion, 270, true,
     Buttons::YesNo, "&Yes", {}, nullptr, "Delete selected Host Link.", "Do not delete selected Host Link.",
     MsgBoxCheck::None, ""},
    {25, "Reset Link Position?",
     "Confirm [Yes] to Reset Link's Position to Host "
     "Window's Top Left Corner.",
     IconQuestion, 270, true, Buttons::YesNo, "&Yes", {}, nullptr,
     "Reset Link's Position to Host Window's Top Left Corner.",
     "Do not reset Link's Position to Host Window's Top Left Corner.", MsgBoxCheck::None, ""},
    {26, "Deactivate Host Link?",
     "Deactivating a Link resets its AutoExec Option to OFF."
     "  You will need to set this Option back ON manually."
     "  Confirm [Yes] to Deactivate this Link.",
     IconQuestion, {}, true, Buttons::YesNo, "&Yes", {}, nullptr,
     "Deactivate Host Link and reset its AutoExec Option.",
     "Do not Deactivate Host Link or reset its AutoExec Option.", MsgBoxCheck::None, ""},
    {27, kActivationFailure, nullptr, IconRefusal, {}, true, Buttons::Single, nullptr, {}, nullptr, "", "",
     MsgBoxCheck::None, ""},
    {28, "[Kivra] Warning: Resources May Be Low!", nullptr, IconWarning, {}, true, Buttons::Single, nullptr,
     msgbox::LeftAlignedLeft, nullptr, "", "", MsgBoxCheck::ResourceWarning,
     "Check this box to prevent seeing this Warning Message Box again this session."},
    {29, "Set Fuzzy Matching Method On?",
     "Since edited Title is shorter than original one, "
     "matching may not occur until Fuzzy Method is set "
     "ON.  Confirm [Yes] to set Fuzzy Method to ON. ",
     IconQuestion, {}, true, Buttons::YesNo, "&Yes", {}, nullptr,
     "Set Fuzzy Matching Method option ON for this Link.",
     "Do not set Fuzzy Matching Method option ON for this Link.", MsgBoxCheck::None, ""},
    {35, kActivationFailure, nullptr, IconDesignTime, {}, true, Buttons::Single, nullptr, {}, nullptr, "", "",
     MsgBoxCheck::None, ""},
    {36, "Product Support Contact Information", "", IconProgram, 90, true, Buttons::Single, nullptr,
     msgbox::LeftAlignedLeft, nullptr, "", "", MsgBoxCheck::None, ""},
    {37, "[Kivra] Can't Bring Host Window To Top", nullptr, IconRefusal, {}, true, Buttons::Single, nullptr,
     {}, nullptr, "", "", MsgBoxCheck::None, ""},
    {38, "[Kivra] Can't Execute Function", nullptr, IconRefusal, {}, true, Buttons::Single, nullptr, {},
     nullptr, "", "", MsgBoxCheck::None, ""},
    {39, "[Kivra] Can't Pick That Window", nullptr, IconRefusal, {}, true, Buttons::Single, nullptr, {},
     nullptr, "", "", MsgBoxCheck::None, ""},
};
// clang-format on

const KindRow* rowFor(int kind) {
    for (const KindRow& row : kRows)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

QString tip(bool toolTips, const char* text) { return toolTips ? QString::fromUtf8(text) : QString(); }

// The form as designed: design-time caption and icon, one OK button, no check box.
MsgBoxContent designTimeContent(const MsgBoxInputs& in) {
    MsgBoxContent c;
    c.kind = in.kind;
    c.caption = designTimeCaption();
    c.body = in.pendingText;
    c.icon = IconDesignTime;
    c.cmd1 = {true, QStringLiteral("&OK"), msgbox::Cmd1Left, {}};
    c.cmd2 = {false, QStringLiteral("&No"), msgbox::PairSecondLeft, {}};
    c.cmd4 = {false, QStringLiteral("&Info"), msgbox::PairSecondLeft, {}};
    return c;
}

QString captionFor(const KindRow& row, const MsgBoxInputs& in) {
    if (row.kind == 3) {
        QString caption = QStringLiteral("Kivra ");
        if (!in.versionText.isEmpty())
            caption += in.versionText + QStringLiteral("  ");
        return caption + rightsLine();
    }
    if (!row.caption)  // the error report keeps the caption its caller set
        return in.callerCaption.isEmpty() ? designTimeCaption() : in.callerCaption;
    return QString::fromUtf8(row.caption);
}

QString bodyFor(const KindRow& row, const MsgBoxInputs& in) {
    if (row.kind == 36)
        return supportContactText();
    return row.body ? QString::fromUtf8(row.body) : in.pendingText;
}

void applyButtons(const KindRow& row, bool toolTips, MsgBoxContent& c) {
    if (row.cmd1Caption)
        c.cmd1.caption = QString::fromUtf8(row.cmd1Caption);
    c.cmd1.toolTip = tip(toolTips, row.cmd1Tip);
    switch (row.buttons) {
    case Buttons::Single:
        if (row.cmd1Left)
            c.cmd1.left = *row.cmd1Left;
        c.cancelResult = 6;
        break;
    case Buttons::YesNo:
        c.cmd1.left = msgbox::PairFirstLeft;
        c.cmd2 = {true, row.cmd2Caption ? QString::fromUtf8(row.cmd2Caption) : c.cmd2.caption,
                  msgbox::PairSecondLeft, tip(toolTips, row.cmd2Tip)};
        c.cancelResult = 7;
        break;
    case Buttons::AboutInfo:
        c.cmd1.left = msgbox::PairFirstLeft;
        c.cmd4 = {true, c.cmd4.caption, msgbox::PairSecondLeft, tip(toolTips, row.cmd2Tip)};
        c.cancelResult = 6;
        break;
    }
}

void applyCheck(const KindRow& row, bool toolTips, MsgBoxContent& c) {
    c.check = row.check;
    if (row.check == MsgBoxCheck::StartupMessage)
        c.checkCaption = QStringLiteral("&Don't show this again.");
    else if (row.check == MsgBoxCheck::ResourceWarning)
        c.checkCaption = QStringLiteral("&Don't show this Warning again this session.");
    c.checkToolTip = row.check == MsgBoxCheck::None ? QString() : tip(toolTips, row.checkTip);
}

}  // namespace

QString productDescription() {
    return QStringLiteral("Kivra: a visual privacy protection tool that covers part of another "
                          "application's window with a picture of your choice.");
}
QString closeTip() { return QString::fromUtf8(kCloseTip); }
QString activationFailureCaption() { return QString::fromUtf8(kActivationFailure); }
QString rightsLine() { return QStringLiteral("(C) The Kivra Authors"); }
QString rightsNotice() {
    return QStringLiteral("Copyright (C) The Kivra Authors.  All rights reserved.") + kCrLf +
           QStringLiteral("Provided as is, without warranty of any kind.");
}
QString supportContactText() {
    return QStringLiteral("For questions and problem reports, please use the") + kCrLf +
           QStringLiteral("issue tracker of the Kivra project.") + kCrLf +
           QStringLiteral("Kivra Help contains a trouble-shooting section.");
}
QString designTimeCaption() { return QStringLiteral("Kivra Message Box"); }

MsgBoxContent resolveMsgBox(const MsgBoxInputs& in) {
    MsgBoxContent c = designTimeContent(in);
    const KindRow* row = rowFor(in.kind);
    if (!row)
        return c;
    c.listed = true;
    c.caption = captionFor(*row, in);
    c.body = bodyFor(*row, in);
    c.icon = row->icon;
    if (row->labelTop)
        c.labelTop = *row->labelTop;
    c.wordWrap = row->wordWrap;
    applyButtons(*row, in.toolTips, c);
    applyCheck(*row, in.toolTips, c);
    if (row->kind == 3 && in.toolTips)  // the welcome text describes the product on hover
        c.labelToolTip = productDescription();
    return c;
}

}  // namespace kivra
