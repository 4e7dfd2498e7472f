// The tray icon of the main program, shown while the desktop has a tray: the main window's own
// icon; a left click shows or hides the window; its menu holds Show/Hide Kivra, the memorized
// links (checked while active; choosing one activates or deactivates it as the Activate page
// does), Start at login and Exit (the window's ordinary close).
#pragma once

#include <QObject>

class QMenu;
class QSystemTrayIcon;

namespace kivra {

class MainForm;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Without a tray nothing shows and nothing changes.
    static TrayIcon* attach(MainForm* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TrayIcon(MainForm* form);
    void fillMenu();
    void toggleWindow();

    MainForm* form_;
    QSystemTrayIcon* icon_;
    QMenu* menu_;
};

}  // namespace kivra
