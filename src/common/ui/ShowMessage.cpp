// The caller's side of the message box: pending state, the scripted responder, the modal showing.
#include "ShowMessage.h"

#include "MsgBoxForm.h"

#include <QtGlobal>
#include <QPointer>

namespace kivra {

namespace {

struct Hooks {
    MessageResponder responder;
    PlacementProvider placement;
    HelpHook help;
};

Hooks& hooks() {
    static Hooks h;
    return h;
}

// The box as a responder sees it, with the same load, activation and unload steps as the form.
std::optional<int> answerByResponder(QWidget* owner) {
    MessageState& s = messages();
    MessageRequest request;
    request.content = resolveMsgBox({s.pendingKind, s.pendingText, s.pendingCaption, s.toolTips, s.versionText});
    request.owner = owner;
    s.firstActivation = false;
    s.boxOpen = true;
    s.pendingText = request.content.body;
    const std::optional<int> answer = hooks().responder(request);
    if (!answer)
        return std::nullopt;
    if (request.tickCheckBox) {
        if (request.content.check == MsgBoxCheck::StartupMessage)
            s.startupMessage = !s.startupMessage;
        else if (request.content.check == MsgBoxCheck::ResourceWarning)
            s.resourceWarningOff = !s.resourceWarningOff;
    }
    const MsgBoxContent& c = request.content;
    const bool possible = (*answer == MsgResultFirst) || (*answer == MsgResultSecond && c.cmd2.visible) ||
                          (*answer == MsgResultInfo && c.cmd4.visible);
    if (!possible)
        qWarning("message kind %d answered with %d, which none of its buttons gives", c.kind, *answer);
    s.result = *answer;
    if (s.program == ProgramRole::Main)
        s.boxOpen = false;
    return answer;
}

}  // namespace

int ShowMessage(int kind, const QString& text, QWidget* owner, const MsgBoxPlacement& placement,
                const QString& caption) {
    MessageState& s = messages();
    s.pendingKind = kind;
    s.pendingText = text;
    s.pendingCaption = caption;
    if (hooks().responder) {
        s.firstActivation = true;
        if (const std::optional<int> answer = answerByResponder(owner))
            return *answer;
    }
    // Should the owner go while the box is open, the box goes with it and the answer is the
    // cancel button's, never a stale result of an earlier box.
    s.result = resolveMsgBox({kind, text, caption, s.toolTips, s.versionText}).cancelResult;
    QPointer<MsgBoxForm> form = new MsgBoxForm(owner, placement);  // deleted below or with its owner
    form->exec();
    delete form.data();
    return s.result;
}

MsgBoxPlacement placementFor(QWidget* owner) {
    return hooks().placement ? hooks().placement(owner) : MsgBoxPlacement::fromOwner(owner);
}

int ShowMessage(int kind, const QString& text, QWidget* owner) {
    return ShowMessage(kind, text, owner, placementFor(owner));
}

void setMessageResponder(MessageResponder responder) { hooks().responder = std::move(responder); }
void setPlacementProvider(PlacementProvider provider) { hooks().placement = std::move(provider); }
void setHelpHook(HelpHook hook) { hooks().help = std::move(hook); }

void openContextHelp(int contextId, QWidget* owner) {
    if (messages().helpSuppressed || !hooks().help)
        return;
    hooks().help(contextId, owner);
}

}  // namespace kivra
