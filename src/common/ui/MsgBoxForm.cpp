// The message box form: load (size, topmost, place), first activation (the kind's layout),
// the buttons that write the result, the check boxes, and help on a click.
#include "MsgBoxForm.h"

#include "DisplayMetrics.h"
#include "DisplayMetricsQt.h"
#include "FormFont.h"
#include "Icons.h"
#include "MessageState.h"
#include "ShowMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace kivra {

namespace {

Twips screenTwips(const QWidget* owner) {
    const QScreen* s = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    Twips t;
    if (s) {
        t.dpiX = s->logicalDotsPerInchX();
        t.dpiY = s->logicalDotsPerInchY();
    }
    return t;
}

// The outer width a title bar needs for the caption: its text in a bold face of the desktop's
// font (window managers draw titles about that size, and tell no one theirs), the window menu
// icon and three buttons about as wide as the bar is high, padding and the side borders.
int frameWidthForCaption(const QString& caption) {
    QFont title = QApplication::font();
    title.setBold(true);
    const int bar = systemCaptionHeight();
    const QMargins m = windowFrameMargins();
    return QFontMetrics(title).horizontalAdvance(caption) + 4 * (bar + 2) + 16 + m.left() + m.right();
}

// CR LF breaks as the label shows them.
QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace

MsgBoxForm::MsgBoxForm(QWidget* owner, const MsgBoxPlacement& placement)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),  // topmost from the start; never toggled once shown
      twips_(screenTwips(owner)) {
    setObjectName(QStringLiteral("MsgBoxForm"));
    messages().firstActivation = true;
    setFont(formFont());

    const QSize frame = sizeForPendingKind();
    // The design-time layout (that of a kind the table does not list) until the first activation.
    content_ = resolveMsgBox({0, messages().pendingText, QString(), false, QString()});
    content_.kind = messages().pendingKind;
    createControls();
    move(placeMsgBox(placement, frame, twips_));
}

// The designed outer size plus the caption allowance, less the window manager's frame. Title bars
// today carry larger fonts and more buttons than the 19-pixel caption this layout was drawn for:
// a caption that would be cut there widens the box (up to 1.6 times), the layout centred in it.
QSize MsgBoxForm::sizeForPendingKind() {
    computeCaptionAllowance();
    const DisplayMetrics& dm = displayMetrics();
    QSize frame(dm.sizes.msgBoxWidth, dm.sizes.msgBoxHeight + dm.caption.captionAllowance);
    const QMargins m = windowFrameMargins();
    designClientWidth_ = std::max(1, frame.width() - m.left() - m.right());
    const MessageState& s = messages();
    const QString caption = resolveMsgBox({s.pendingKind, s.pendingText, s.pendingCaption, false, s.versionText}).caption;
    frame.setWidth(std::max(frame.width(), std::min(frameWidthForCaption(caption), frame.width() * 8 / 5)));
    xOffset_ = (frame.width() - dm.sizes.msgBoxWidth) / 2;
    setFixedSize(std::max(1, frame.width() - m.left() - m.right()), std::max(1, frame.height() - m.top() - m.bottom()));
    return frame;
}

MsgBoxForm::~MsgBoxForm() { unload(); }

void MsgBoxForm::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    if (messages().program == ProgramRole::Main)
        messages().boxOpen = false;
    messages().firstActivation = false;
}

QRect MsgBoxForm::fromTwips(int left, int top, int width, int height) const {
    const int x = xOffset_ + static_cast<int>(std::lround(twips_.toPixelsX(left)));
    const int y = static_cast<int>(std::lround(twips_.toPixelsY(top)));
    const int w = static_cast<int>(std::lround(twips_.toPixelsX(width)));
    const int h = static_cast<int>(std::lround(twips_.toPixelsY(height)));
    return {x, y, w, h};
}

int MsgBoxForm::clientWidthTwips() const {
    return static_cast<int>(std::lround(twips_.fromPixelsX(designClientWidth_)));
}

void MsgBoxForm::createControls() {
    using namespace msgbox;
    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("MsgBoxImage"));
    image_->setGeometry(fromTwips(ImageLeft, ImageTop, ImageSize, ImageSize));
    image_->setAlignment(Qt::AlignCenter);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("MsgBoxLabel"));
    label_->setTextFormat(Qt::PlainText);  // paths and titles are shown as they are, never as markup
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->installEventFilter(this);

    auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(fromTwips(left, ButtonTop, ButtonWidth, ButtonHeight));
        return b;
    };
    cmd1_ = button("MsgBoxCmd1", QStringLiteral("&OK"), Cmd1Left);
    cmd2_ = button("MsgBoxCmd2", QStringLiteral("&No"), PairSecondLeft);
    cmd4_ = button("MsgBoxCmd4", QStringLiteral("&Info"), PairSecondLeft);
    cmd2_->hide();
    cmd4_->hide();
    cmd1_->setDefault(true);
    connect(cmd1_, &QPushButton::clicked, this, &MsgBoxForm::MsgBoxCmd1_Click);
    connect(cmd2_, &QPushButton::clicked, this, &MsgBoxForm::MsgBoxCmd2_Click);
    connect(cmd4_, &QPushButton::clicked, this, &MsgBoxForm::MsgBoxCmd4_Click);

    auto check = [this](const char* name, const QString& caption) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QLatin1String(name));
        c->setGeometry(fromTwips(CheckLeft, CheckTop, clientWidthTwips() - CheckLeft - LabelRightMargin,
                                 CheckHeight));
        c->hide();
        return c;
    };
    check1_ = check("MsgBoxCheck1", QStringLiteral("&Don't show this again."));
    check2_ = check("MsgBoxCheck2", QStringLiteral("&Don't show this Warning again this session."));
    connect(check1_, &QCheckBox::clicked, this, &MsgBoxForm::MsgBoxCheck1_Click);
    connect(check2_, &QCheckBox::clicked, this, &MsgBoxForm::MsgBoxCheck2_Click);

    setWindowTitle(designTimeCaption());
    setIcon(IconDesignTime);
    label_->setText(displayText(messages().pendingText));
    placeLabel();
}

void MsgBoxForm::setIcon(int number) {
    iconNumber_ = number;
    const int side = static_cast<int>(std::lround(twips_.toPixelsX(msgbox::ImageSize)));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = kivraPixmap(number, static_cast<int>(std::lround(side * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    image_->setPixmap(pixmap);
}

// The label reaches down to the first visible control below it, or to the bottom of the box.
void MsgBoxForm::placeLabel() {
    using namespace msgbox;
    // It also takes whatever width a long caption added on its right.
    QRect span = fromTwips(LabelLeft, content_.labelTop, 0, 1);
    span.setRight(width() - 1 - static_cast<int>(std::lround(twips_.toPixelsX(LabelRightMargin))));
    const int gap = static_cast<int>(std::lround(twips_.toPixelsY(ControlGap)));
    const std::initializer_list<QWidget*> controls{cmd1_, cmd2_, cmd4_, check1_, check2_};
    // The text ends above every visible button and check box, beside them or not.
    int bottom = height() - gap;
    for (const QWidget* w : controls)
        if (!w->isHidden()) bottom = std::min(bottom, w->geometry().top() - gap);
    // A text longer than the room above them pushes them down and makes the box taller.
    const int needed = label_->wordWrap() ? label_->heightForWidth(span.width()) : label_->sizeHint().height();
    const int more = needed - (bottom - span.top());
    if (more > 0) {
        setFixedSize(width(), height() + more);
        for (QWidget* w : controls) w->move(w->x(), w->y() + more);
        bottom += more;
    }
    label_->setGeometry(span.left(), span.top(), span.width(), std::max(1, bottom - span.top()));
}

void MsgBoxForm::setVisible(bool visible) {
    // The kind's layout is applied as the box is first shown, before the window manager sees the
    // window: it may refuse the box the focus, and a box must never appear without its text.
    if (visible && messages().firstActivation && !unloaded_)
        firstActivation();
    QDialog::setVisible(visible);
}

void MsgBoxForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && messages().firstActivation)
        firstActivation();
}

void MsgBoxForm::firstActivation() {
    MessageState& s = messages();
    content_ = resolveMsgBox({s.pendingKind, s.pendingText, s.pendingCaption, s.toolTips, s.versionText});
    s.pendingText = content_.body;  // the confirmations write their own text
    applyContent();
    s.firstActivation = false;
    s.boxOpen = true;
}

void MsgBoxForm::applyContent() {
    using namespace msgbox;
    const MsgBoxContent& c = content_;
    setWindowTitle(c.caption);
    setIcon(c.icon);

    auto applyButton = [this](QPushButton* b, const MsgBoxButton& wanted) {
        b->setText(wanted.caption);
        b->setToolTip(wanted.toolTip);
        b->move(fromTwips(wanted.left, ButtonTop, ButtonWidth, ButtonHeight).topLeft());
        b->setVisible(wanted.visible);
        b->setEnabled(wanted.visible);
    };
    applyButton(cmd1_, c.cmd1);
    applyButton(cmd2_, c.cmd2);
    applyButton(cmd4_, c.cmd4);

    QCheckBox* offered = c.check == MsgBoxCheck::StartupMessage    ? check1_
                         : c.check == MsgBoxCheck::ResourceWarning ? check2_
                                                                   : nullptr;
    for (QCheckBox* box : {check1_, check2_}) {
        box->setVisible(box == offered);
        box->setEnabled(box == offered);
    }
    if (offered) {
        offered->setText(c.checkCaption);
        offered->setToolTip(c.checkToolTip);
        offered->move(fromTwips(CheckLeft, c.checkTop, 0, 0).topLeft());
    }

    label_->setWordWrap(c.wordWrap);
    label_->setToolTip(c.labelToolTip);
    label_->setText(displayText(c.body));
    placeLabel();

    cmd1_->setDefault(true);
    cmd1_->setFocus(Qt::OtherFocusReason);
}

void MsgBoxForm::closeWith(int result) {
    messages().result = result;
    done(result);  // exec() returns the message result
}

void MsgBoxForm::reject() {
    // Esc and the title bar's close button act as the cancel button, so the result is always set.
    if (content_.twoButtons())
        MsgBoxCmd2_Click();
    else
        MsgBoxCmd1_Click();
}

void MsgBoxForm::done(int r) {
    unload();
    QDialog::done(r);
}

void MsgBoxForm::MsgBoxCmd1_Click() { closeWith(MsgResultFirst); }
void MsgBoxForm::MsgBoxCmd2_Click() { closeWith(MsgResultSecond); }
void MsgBoxForm::MsgBoxCmd4_Click() { closeWith(MsgResultInfo); }
void MsgBoxForm::MsgBoxCheck1_Click() { messages().startupMessage = !messages().startupMessage; }
void MsgBoxForm::MsgBoxCheck2_Click() { messages().resourceWarningOff = !messages().resourceWarningOff; }

void MsgBoxForm::Form_Click() { openContextHelp(MsgBoxHelpContext, parentWidget()); }

void MsgBoxForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Form_Click();
    QDialog::mousePressEvent(event);
}

bool MsgBoxForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Form_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kivra
