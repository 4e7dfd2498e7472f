// Picture display choice, selection page, viewed files, previous and next.
#include "PictureFeature.h"

#include "CoverWindow.h"
#include "MessageState.h"
#include "PicturePaths.h"
#include "ReportError.h"
#include "ShowMessage.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>

namespace kivra {

namespace {

const QString kLoadFailureText = QStringLiteral(
    "Cannot load Picture file because either it is not a picture file format"
    " supported by Qbase 5.0, or you tried to load a non-picture type file.  Pick"
    " another picture file format or avoid loading non-picture type files.");

std::string utf8(const QString& s) { return s.toStdString(); }
QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

PictureFeature::PictureFeature(CoverWindow* window, Preferences& prefs, PictureFrame* frame)
    : QObject(window), window_(window), prefs_(prefs), frame_(frame) {
    display_ = new PictureDisplay(window);
    page_ = new SelectPicturePage(folder_, window);
    page_->hide();
    page_->setErrorReporter([this](const KivraError& e) { ReportError(e, window_); });

    connect(display_, &PictureDisplay::pictureChanged, this, [this] {
        updatePanelControls();
        emit pictureChanged();
    });
    connect(frame_, &PictureFrame::optionChosen, this, [this](PicOption o) {
        if (o == PicOption::Show) showPicture();
        if (o == PicOption::Hide) hidePicture();
        if (o == PicOption::None) unloadPicture();
    });
    connect(frame_, &PictureFrame::selectClicked, this, &PictureFeature::openSelectPage);
    connect(frame_, &PictureFrame::previousClicked, this, &PictureFeature::previous);
    connect(frame_, &PictureFrame::nextClicked, this, &PictureFeature::next);
    connect(page_, &SelectPicturePage::showRequested, this, &PictureFeature::showFromPage);
    connect(page_, &SelectPicturePage::closeRequested, this, &PictureFeature::closeSelectPage);
    connect(page_, &SelectPicturePage::viewedFileClicked, this, &PictureFeature::showViewed);
    connect(page_, &SelectPicturePage::driveListFocusChanged, this, &PictureFeature::driveListFocus);
    connect(page_, &SelectPicturePage::patternApplied, this,
            [this](const QString& text) { prefs_.picFileTypes = utf8(text); });
    window_->installEventFilter(this);
}

// A window that closes while the drive list holds the kick timer back gets it
// running again first, so that its closing steps save the timer as the user set it.
bool PictureFeature::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close) restoreKickTimer();
    return QObject::eventFilter(watched, event);
}

// --- start ------------------------------------------------------------------------

void PictureFeature::restoreAtStart() {
    display_->setDpi(window_->twips().dpiX);
    display_->setAlignment(prefs_.picAlign);
    display_->setAutoSize(prefs_.picAutosize);
    display_->setBorder(prefs_.picBorder);
    display_->setAppearance3D(prefs_.picAppear3D);
    folder_.setPattern(prefs_.picFileTypes);
    page_->setPatternText(q(prefs_.picFileTypes));
    viewed_.restore(prefs_.viewedFiles);
    frame_->select(prefs_.picOption);
    if (viewed_.count() > 0) display_->setCurrentPath(q(viewed_.path(0)));

    if (!display_->currentPath().isEmpty() && prefs_.picOption != PicOption::None) {
        openFolderOf(display_->currentPath());
        if (loadCurrent() && prefs_.picOption == PicOption::Hide) display_->hide();
    }
    frame_->updateForPicture(display_->pictureLoaded());
    updatePanelControls();
}

// The directory of a picture shown without the page, so that "&Next" goes on
// from it. A directory that cannot be read is left alone here: "&Next" tells.
void PictureFeature::openFolderOf(const QString& path) {
    const std::string dir = directoryPart(utf8(path));
    if (dir.empty()) return;
    try {
        folder_.open(dir);
        const int index = folder_.indexOf(fileNamePart(utf8(path)));
        if (index >= 0) folder_.shown(index);
    } catch (const KivraError&) {
    }
}

// --- loading ----------------------------------------------------------------------

bool PictureFeature::loadCurrent() {
    if (const std::optional<PictureLoadFailure> failure = display_->loadAndShow()) {
        reportFailure(*failure);
        return false;
    }
    return true;
}

void PictureFeature::reportFailure(const PictureLoadFailure& failure) {
    if (failure.number == kInvalidPictureError)
        ShowMessage(MsgPictureLoadFailure, kLoadFailureText, window_);
    else
        ReportError(failure.number, failure.description, window_);
}

void PictureFeature::choose(PicOption option) {
    frame_->select(option);
    prefs_.picOption = option;
}

void PictureFeature::recordViewed(const std::string& path, const std::string& name) {
    viewed_.add(path, name);
    prefs_.viewedFiles = viewed_.newest(ViewedFiles::kCapacity);
    page_->setViewedNames(viewed_.displayNames());
}

// --- display choice ---------------------------------------------------------------

void PictureFeature::showPicture() {
    std::optional<PictureLoadFailure> failure;
    if (!display_->show(&failure)) {
        choose(PicOption::None);
        frame_->selectButton()->setFocus();
        return;
    }
    prefs_.picOption = PicOption::Show;
    if (failure) reportFailure(*failure);
}

void PictureFeature::hidePicture() {
    if (!display_->hide()) {
        choose(PicOption::None);
        frame_->selectButton()->setFocus();
        return;
    }
    prefs_.picOption = PicOption::Hide;
}

void PictureFeature::unloadPicture() {
    display_->unload();
    choose(PicOption::None);
    frame_->selectButton()->setFocus();
}

// --- picture box options ----------------------------------------------------------

void PictureFeature::setAlignment(PicAlign align) {
    prefs_.picAlign = align;
    display_->setAlignment(align);
}

void PictureFeature::setAutoSize(bool on) {
    prefs_.picAutosize = on;
    display_->setAutoSize(on);
}

void PictureFeature::setBorder(bool on) {
    prefs_.picBorder = on;
    display_->setBorder(on);
}

void PictureFeature::setAppearance3D(bool on) {
    prefs_.picAppear3D = on;
    display_->setAppearance3D(on);
}

// --- Select Picture File page -----------------------------------------------------

void PictureFeature::openSelectPage() {
    if (window_->pageOpen()) return;
    window_->openPage(page_);
    setPictureSelectionRestorer([this] { page_->restoreLastGoodDrive(); });
    page_->setViewedNames(viewed_.displayNames());
    page_->openAt(utf8(display_->currentPath()));
}

void PictureFeature::closeSelectPage() {
    restoreKickTimer();
    setPictureSelectionRestorer({});
    window_->closePage();
    updatePanelControls();
    window_->panel()->hideButton()->setFocus();
}

void PictureFeature::showFromPage(int index) {
    const std::string path = folder_.pathOf(index);
    if (path.empty()) return;
    display_->setCurrentPath(q(path));
    if (!loadCurrent()) return;  // the page stays open
    folder_.shown(index);
    choose(PicOption::Show);
    recordViewed(path, folder_.listing().files[static_cast<std::size_t>(index)]);
    closeSelectPage();
}

void PictureFeature::showViewed(int row) {
    const std::string path = viewed_.path(row);
    if (path.empty()) return;
    if (ShowMessage(MsgShowPictureFile, q(formatPathForConfirmation(path)), window_) == MsgResultSecond) return;
    display_->setCurrentPath(q(path));
    if (loadCurrent()) choose(PicOption::Show);
}

void PictureFeature::driveListFocus(bool focused) {
    if (focused) {
        if (kickSaved_) return;
        kickSaved_ = true;
        kickWasRunning_ = window_->kickTimerRunning();
        kickInterval_ = prefs_.kickInterval;
        window_->stopKickTimer();
    } else {
        restoreKickTimer();
    }
}

void PictureFeature::restoreKickTimer() {
    if (!kickSaved_) return;
    kickSaved_ = false;
    if (kickWasRunning_) window_->startKickTimer(kickInterval_);
}

// --- previous and next ------------------------------------------------------------

void PictureFeature::previous() {
    const std::optional<std::string> path = viewed_.previous();
    if (!path) return;
    display_->setCurrentPath(q(*path));
    if (loadCurrent()) choose(PicOption::Show);
}

void PictureFeature::next() {
    if (!folder_.isOpen() && !display_->currentPath().isEmpty()) openFolderOf(display_->currentPath());
    const std::optional<int> index = folder_.next();
    if (!index) return;
    const std::string path = folder_.pathOf(*index);
    const std::string name = folder_.listing().files[static_cast<std::size_t>(*index)];
    display_->setCurrentPath(q(path));
    if (!loadCurrent()) {
        if (window_->controlsShown()) {
            frame_->nextButton()->setEnabled(false);
            frame_->selectButton()->setFocus();
        }
        return;
    }
    choose(PicOption::Show);
    recordViewed(path, name);
    if (page_->isVisible()) page_->selectFile(name);
}

void PictureFeature::updatePanelControls() {
    frame_->updateForPicture(display_->pictureLoaded());
    frame_->nextButton()->setEnabled(display_->pictureLoaded() && folder_.isOpen() && folder_.fileCount() > 0);
}

}  // namespace kivra
