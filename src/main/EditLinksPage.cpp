// Controls, captions and tool tips of the Edit Host Link page.
#include "EditLinksPage.h"

#include "FormControls.h"
#include "FormFont.h"
#include "ToolTips.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kivra {

namespace {

struct OptionText {
    EditOption option;
    const char* name;
    const char* caption;
    const char* tip;
};

const OptionText kOptions[] = {
    {EditOption::Exact, "ELinksOpt1", "E&xact",
     "Set Host Window Link's Title Matching Method feature to Exact.  Link's Title must match another Window's "
     "Title exactly.  Method is Case Sensitive."},
    {EditOption::Fuzzy, "ELinksOpt2", "Fu&zzy",
     "Set Host Window Link's Title Matching Method feature to Fuzzy.  A match occurs if Link's Title can be found "
     "within another Window's Title regardless of Case."},
    {EditOption::FuzzyExclusion, "ELinksOpt2A", "Fuzzy + &Exclusion",
     "Same as the Fuzzy Matching Method option, but use an exclusion that will prevent a match with another "
     "Window's Title if the Exclusion Text is found in that Window's Title."},
    {EditOption::AutoExecOn, "ELinksOpt3", "&On",
     "Enable Host Window Link's Auto Execute feature.  Link is activated automatically if Host Window is Active "
     "and the matching criteria set here is satisfied."},
    {EditOption::AutoExecOff, "ELinksOpt4", "O&ff",
     "Disable Host Window Link's Auto Execute feature.  Link is not activated automatically, but can still be "
     "activated manually via Kivra Activate Link function."},
    {EditOption::TerminatePopup, "ELinksOpt4A", "&Terminate Pop-up",
     "Terminate Link's Host Window instead.  Useful for Host Windows that you don't wish to see at all, i.e., "
     "Browser-enabled Pop-ups/unders/overs."},
    {EditOption::ClassMatchYes, "ELinksOpt5", "&Yes",
     "Enable Host Window Class Name Matching requirement feature.  Helps prevent unintended Fuzzy Method Title "
     "matches with any non-targeted Host Window whose Title is the same or similar."},
    {EditOption::ClassMatchNo, "ELinksOpt6", "&No",
     "Disable Host Window Class Name Matching requirement feature.  Host Window Class Names do not matter.  The "
     "Default setting for this feature."},
    {EditOption::AutoTermOn, "ELinksOpt7", "On",
     "Enable Browser Host Window Auto Terminate Link feature.  Link is deactivated automatically when Host "
     "Window's Title changes and matching criteria is no longer satisfied."},
    {EditOption::AutoTermOff, "ELinksOpt8", "Off",
     "Disable Browser Host Window Auto Terminate Link feature.  Link is not deactivated automatically, but can "
     "still be deactivated manually via Kivra Deactivate Link function."},
};

constexpr const char* kCloseTip =
    "Close Edit Host Link window and resume normal Kivra operation.  Note: Link Auto Execs and other Kivra "
    "operational features are not available while this window is open.";
constexpr const char* kApplyTip = "Apply any changes made to Link's options and resume normal Kivra operation.";

QLabel* label(const char* name, const char* text, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(name);
    return l;
}

QPushButton* button(const char* name, const char* caption, const char* tip, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    if (tip) setControlToolTip(b, QString::fromUtf8(tip));
    return b;
}

}  // namespace

EditLinksPage::EditLinksPage(QWidget* parent) : QGroupBox(QStringLiteral("Edit Host Link"), parent) {
    setObjectName("EditLinksFrame");
    setFont(formFont());

    for (const OptionText& o : kOptions) {
        auto* box = new QCheckBox(QString::fromUtf8(o.caption), this);
        box->setObjectName(o.name);
        setControlToolTip(box, QString::fromUtf8(o.tip));
        options_[o.option] = box;
        const EditOption which = o.option;
        connect(box, &QCheckBox::clicked, this, [this, which] { emit optionClicked(which); });
    }
    text1_ = new QLineEdit(this);
    text1_->setObjectName("EditLinksText1");
    setControlToolTip(text1_, QStringLiteral("Enter or Edit a Memorized Host Window Link's Title string."));
    text2_ = new QLineEdit(this);
    text2_->setObjectName("EditLinksText2");
    setControlToolTip(text2_, QStringLiteral("Enter or Edit Exclusion Text for the Fuzzy + Exclusion Text Title Match "
                                             "Method."));
    cmd1_ = button("ELinksCmd1", "&Close", kCloseTip, this);
    cmd1_->setDefault(true);
    cmd2_ = button("ELinksCmd2", "&Cancel", "Cancel any changes made to Link's options and resume normal Kivra operation.",
                   this);
    cmd3_ = button("ELinksCmd3", "&Rec.",
                   "Record Link's Host Window Class Name.  A change in a Host's Class Name necessitates re-recording it "
                   "for proper operation of the Host Window Class Name Matching feature.",
                   this);
    cmd4_ = button("ELinksCmd4", "&Home", "Reset Link's Position to Host Window's Top Left Corner.", this);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    auto row = [&](int r, QLabel* l, std::initializer_list<EditOption> opts) {
        grid->addWidget(l, r, 0);
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        for (EditOption o : opts) h->addWidget(options_[o]);
        h->addStretch();
        grid->addLayout(h, r, 1);
    };
    grid->addWidget(label("ELinksLabel1", "Title:", this), 0, 0);
    grid->addWidget(text1_, 0, 1);
    row(1, label("ELinksLabel2", "Title Match Method:", this),
        {EditOption::Exact, EditOption::Fuzzy, EditOption::FuzzyExclusion});
    label5_ = label("ELinksLabel5", "Fuzzy Exclusion Text:", this);
    grid->addWidget(label5_, 2, 0);
    grid->addWidget(text2_, 2, 1);
    row(3, label("ELinksLabel3", "Auto Execute Link:", this),
        {EditOption::AutoExecOn, EditOption::AutoExecOff, EditOption::TerminatePopup});
    row(4, label("ELinksLabel4", "Require Class Match:", this), {EditOption::ClassMatchYes, EditOption::ClassMatchNo});
    row(5, label("ELinksLabel7", "Browser Auto Term:", this), {EditOption::AutoTermOn, EditOption::AutoTermOff});

    auto* side = new QGridLayout;
    side->setVerticalSpacing(1);
    side->addWidget(label("ELinksLabel8", "Record Class Name:", this), 0, 0);
    side->addWidget(cmd3_, 0, 1);
    side->addWidget(label("ELinksLabel6", "Reset Link Position:", this), 1, 0);
    side->addWidget(cmd4_, 1, 1);
    side->setRowStretch(2, 1);
    side->addWidget(cmd1_, 3, 0, 1, 2);
    side->addWidget(cmd2_, 4, 0, 1, 2);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 2, 4, 2);
    outer->addLayout(grid, 1);
    outer->addLayout(side);
}

void EditLinksPage::showState(const EditLink& edit) {
    const QSignalBlocker b1(text1_), b2(text2_);
    const QString title = QString::fromStdString(edit.titleText());
    if (text1_->text() != title) text1_->setText(title);
    const QString exclusion = QString::fromStdString(edit.exclusionText());
    if (text2_->text() != exclusion) text2_->setText(exclusion);
    for (auto& [option, box] : options_) box->setChecked(edit.checked(option));
    text2_->setEnabled(edit.exclusionUsable());
    label5_->setEnabled(edit.exclusionUsable());
    const bool apply = edit.closeButtonMode() == CloseButtonMode::Apply;
    cmd1_->setText(apply ? QStringLiteral("&Apply") : QStringLiteral("&Close"));
    setControlToolTip(cmd1_, QString::fromUtf8(apply ? kApplyTip : kCloseTip));
    cmd2_->setEnabled(edit.cancelEnabled());
    // Close is the cancel button until a change makes it Apply; then Cancel is.
    setCancelButton(cmd1_, !apply);
    setCancelButton(cmd2_, apply);
}

}  // namespace kivra
