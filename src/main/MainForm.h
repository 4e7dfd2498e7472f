// The main program's window, "Kivra [Main]": start-up after the refusals,
// first activation, resize and move handling, and the close request with the final save.
#pragma once

#include "CoverWindow.h"
#include "KivraError.h"
#include "SettingsStore.h"

#include <QString>

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

class MainForm : public CoverWindow {
    Q_OBJECT
public:
    explicit MainForm(MainEnvironment env, QWidget* parent = nullptr);
    ~MainForm() override;

    // Form load from the naming step on: names, metrics, preferences,
    // remembered geometry, icon. The refusals come before, in main().
    void load();

    LinkTable& links() { return *links_; }
    QString applicationTitle() const { return appTitle_; }

protected:
    void firstActivation() override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshCaption();
    void rememberNormalGeometry();
    void saveAllSettings();
    void report(const KivraError& error);
    void applyToolTips(bool on);
    static QString welcomeText();

    MainEnvironment env_;
    std::unique_ptr<LinkTable> links_;
    QString appTitle_;
    bool exiting_ = false;
    bool wasMinOrMax_ = false;
    QRect normalFrame_;  // the remembered normal geometry, frame rectangle in pixels
    std::optional<KivraError> pendingLoadError_;
};

}  // namespace kivra
