// The window's remaining bindings: Alt+F1 and a right click on a frame show the About
// box, a left click on a frame opens context help; none of them (nor the window's own
// clicks and keys) act while the title text entry is open.
#pragma once

#include "OptionPairs.h"

#include <QObject>
#include <QString>

class QWidget;

namespace kivra {

class CoverWindow;


// The help context id of a frame or page by its object name (0 for none). The preferences
// page's frames take `preferencesContext`, 4025 or 4030 while the colour page is open.
int frameHelpContext(const QString& objectName, int preferencesContext);

// The About box text: the program's file name and version, then the rights notice.
QString aboutText(ProgramKind program, const QString& versionText);

// Shows the About box (kind 1), and the support contact box (kind 36) each time the user
// leaves it with Info.
void showAbout(ProgramKind program, QWidget* owner);

// Watches the whole application for input meant for one covering window.
class WindowBindings : public QObject {
public:
    explicit WindowBindings(CoverWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool textEntryOpen() const;
    // The frame of this window that holds `w` (the widget itself included), or null.
    QWidget* frameOf(QWidget* w) const;

    CoverWindow* window_;
};

// Help pages shipped beside the programs: help/index.html with one anchor per context id.
QString helpFilePath();
// Installs the message boxes' help hook: opens the help page at the context id's anchor.
void installHelpHook();

}  // namespace kivra
