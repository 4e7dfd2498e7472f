// The tray icon: its menu is rebuilt each time it opens, so it always shows the links as they are.
#include "TrayIcon.h"

#include "Autostart.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "StatusList.h"

#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>

namespace kivra {

// Made whether or not a tray exists now: Qt puts the icon into a tray that appears later (a
// session's panel often starts after the programs started at login).
TrayIcon* TrayIcon::attach(MainForm* form) { return new TrayIcon(form); }

TrayIcon::TrayIcon(MainForm* form)
    : QObject(form), form_(form), icon_(new QSystemTrayIcon(form->windowIcon(), this)), menu_(new QMenu(form)) {
    icon_->setToolTip(QStringLiteral("Kivra"));
    icon_->setContextMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, &TrayIcon::fillMenu);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) toggleWindow();
    });
    form->installEventFilter(this);  // follows the window's active/inactive icon
    fillMenu();
    icon_->show();
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::WindowIconChange) icon_->setIcon(form_->windowIcon());
    return QObject::eventFilter(watched, event);
}

void TrayIcon::toggleWindow() {
    if (form_->isVisible() && !form_->isMinimized()) {
        form_->hide();
        return;
    }
    form_->showNormal();
    form_->raise();
    form_->activateWindow();
}

void TrayIcon::fillMenu() {
    menu_->clear();
    const bool shown = form_->isVisible() && !form_->isMinimized();
    menu_->addAction(shown ? QStringLiteral("Hide Kivra") : QStringLiteral("Show Kivra"), this,
                     &TrayIcon::toggleWindow);
    menu_->addSeparator();
    // The Activate page's lines: active links first; choosing one runs that page's command.
    for (const std::string& line : statusLines(form_->links())) {
        const bool active = line.rfind(std::string(kActivePrefix), 0) == 0;
        QAction* link = menu_->addAction(QString::fromStdString(statusLineTitle(line)));
        link->setCheckable(true);
        link->setChecked(active);
        connect(link, &QAction::triggered, form_, [this, line, active] {
            if (active)
                form_->deactivateStatusLine(line);
            else
                form_->activateStatusLine(line);
        });
    }
    menu_->addSeparator();
    QAction* login = menu_->addAction(QStringLiteral("Start at login"));
    login->setCheckable(true);
    login->setChecked(autostartEnabled());
    connect(login, &QAction::triggered, this, [](bool on) { setAutostart(on, mainProgramBesideThisOne()); });
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Exit"), form_, &QWidget::close);
}

}  // namespace kivra
