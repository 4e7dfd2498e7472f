// The main program's window, "Kivra [Main]": start-up after the refusals,
// first activation, resize and move handling, and the close request with the final save.
#pragma once

#include "KivraError.h"
#include "Preferences.h"
#include "SettingsStore.h"
#include "WindowSystem.h"

#include <QDateTime>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace kivra {

class LinkTable;

// What the main form is given by the program (or by a test).
struct MainEnvironment {
    WindowSystem* windows = nullptr;            // the desktop
    std::shared_ptr<SettingsStore> store;       // the settings store
    std::optional<KivraError> storeOpenError;   // reported once at the first activation
    QString appDirectory;                       // with a trailing '/'
};

class MainForm : public QWidget {
    Q_OBJECT
public:
    explicit MainForm(MainEnvironment env, QWidget* parent = nullptr);
    ~MainForm() override;

    // Form load from the naming step on: names, palettes, metrics, preferences,
    // remembered geometry, icon. The refusals come before, in main().
    void load();

    const Preferences& preferences() const { return prefs_; }
    LinkTable& links() { return *links_; }
    bool firstActivationDone() const { return !firstActivation_; }
    QString applicationTitle() const { return appTitle_; }
    // The window's frame rectangle (title bar and border included) in pixels.
    QRect frameRect() const;
    // The window id the desktop knows this window by.
    WindowId nativeId() const;

signals:
    void firstActivationFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void firstActivation();
    void applyGeometry();
    void fitFrameToPreferences();
    void applyBackground();
    void refreshCaption();
    void rememberNormalGeometry();
    void saveAllSettings();
    void report(const KivraError& error);
    void applyToolTips(bool on);
    void updateWindowIcon();
    static QString welcomeText();
    Twips twips() const;
    QRect screenRect() const;

    MainEnvironment env_;
    Preferences prefs_;
    std::unique_ptr<LinkTable> links_;
    QString appTitle_;
    bool firstActivation_ = true;
    bool exiting_ = false;
    bool layoutBusy_ = false;
    bool wasMinOrMax_ = false;
    bool frameFitted_ = false;
    bool firstActivationQueued_ = false;
    QDateTime frameWaitStarted_;
    std::optional<KivraError> pendingLoadError_;
    bool tracePaint_ = false;
    QRect normalFrame_;  // the remembered normal geometry, frame rectangle in pixels
};

}  // namespace kivra
