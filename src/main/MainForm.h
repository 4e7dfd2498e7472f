// The main program's window, "Kivra [Main]": start-up after the refusals,
// first activation, resize and move handling, and the close request with the final save.
#pragma once

#include "CoverWindow.h"
#include "KivraError.h"
#include "SettingsStore.h"

#include "ChannelListener.h"
#include "DesktopNotifier.h"
#include "EditLink.h"
#include "MainWindowState.h"
#include "WindowPicker.h"
#include "WindowPlacement.h"

#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

namespace kivra {

class ActivateLinksPage;
class CreateLinksPage;
class EditLinksPage;
class LinkLauncher;
class LinkTable;
struct LinkManagement;

// What the main form is given by the program (or by a test).
struct MainEnvironment {
    WindowSystem* windows = nullptr;            // the desktop
    std::shared_ptr<SettingsStore> store;       // the settings store
    std::optional<KivraError> storeOpenError;   // reported once at the first activation
    QString appDirectory;                       // with a trailing '/'
    std::shared_ptr<LinkLauncher> launcher;     // starts kivlink; null: the one in appDirectory
    std::shared_ptr<WindowPicker> picker;       // the Create page's Pick; null: Pick is disabled
};

class MainForm : public CoverWindow {
    Q_OBJECT
public:
    explicit MainForm(MainEnvironment env, QWidget* parent = nullptr);
    ~MainForm() override;
    // The automatic starts run (`Timer5`): from the end of the scan for links left running on.
    bool autoStartsRunning() const { return timer5_.isActive(); }

    // Form load from the naming step on: names, metrics, preferences,
    // remembered geometry, icon. The refusals come before, in main().
    void load();

    LinkTable& links() { return *links_; }
    LinkManagement& management() { return *manage_; }
    QString applicationTitle() const { return appTitle_; }
    CreateLinksPage* createPage() const { return createPage_; }
    ActivateLinksPage* activatePage() const { return activatePage_; }
    EditLinksPage* editPage() const { return editPage_; }

    // The Links frame's buttons and the pages' commands.
    void openCreatePage();    // `LinksCommand2_Click`
    void closeCreatePage();   // `CLinksCmd1_Click`
    void addLink();           // `CLinksCmd2_Click`
    void deleteLink();        // `CLinksCmd4_Click`
    void openEditPage();      // `CLinksCmd3_Click`
    void pickHost();          // Pick: the next click on a window selects its host list entry
    void closeEditPage(bool cancel);  // `ELinksCmd1_Click` / `ELinksCmd2_Click`
    void openActivatePage();  // `LinksCommand1_Click`
    void closeActivatePage(); // `ALinksCmd4_Click`
    void activateLink();      // `ALinksCmd1_Click`
    void bringHostToTop();    // `ALinksCmd2_Click`
    void deactivateLink();    // `ALinksCmd3_Click`
    // The same for a status line chosen elsewhere (the tray icon's menu).
    void activateStatusLine(const std::string& line);
    void deactivateStatusLine(const std::string& line);

protected:
    void firstActivation() override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshCaption() override;
    void listenForLinks();
    void refreshHostList();     // `Timer3_Timer`
    void hostPicked(PickEnd end, WindowId window);
    void cancelPick();
    void refreshStatusList();   // `Timer6_Timer`
    void pollStarts();
    void autoExecTick();     // `Timer5_Timer`
    void foregroundTick();   // `Timer7_Timer`
    void editOptionClicked(EditOption option);
    void showEditState();
    void stopTimers();
    void waitForClosingLinks();
    MainWindowState mainState() const;
    std::optional<std::string> selectedStatusLine() const;
    void rememberNormalGeometry();
    // Returns true when the save goes on in the background (the store is locked): the program
    // ends once it is over.
    bool saveAllSettings();
    void report(const KivraError& error);
    void applyToolTips(bool on);
    static QString welcomeText();

    MainEnvironment env_;
    std::unique_ptr<LinkTable> links_;
    std::unique_ptr<LinkManagement> manage_;
    CreateLinksPage* createPage_ = nullptr;
    ActivateLinksPage* activatePage_ = nullptr;
    EditLinksPage* editPage_ = nullptr;
    QTimer timer5_;       // auto-execute watcher
    QTimer timer7_;       // foreground watcher
    // Runs the two watchers when the desktop changes; their timers are then a slow safety net.
    std::unique_ptr<DesktopNotifier> desktopNotifier_;
    int watcherInterval(int designMs) const;
    void startWatchers();
    void onDesktopChanged();
    QTimer timer9_;       // active-link check while the Edit page is open
    bool timersRunning_ = false;  // the watchers run (from the first activation until exit)
    QTimer timer3_;       // host list refresh while the Create page is open
    QTimer timer6_;       // status list refresh while the Activate page is open
    QTimer startsTimer_;  // identifies starting link programs
    ChannelListener channel_;
    std::unique_ptr<QSocketNotifier> pickNotifier_;  // the picker's input, while it has a descriptor
    QString appTitle_;
    bool exiting_ = false;
    bool waitingForLinks_ = false;  // the exit waits for links to answer their close requests
    NormalFrame normal_;  // the remembered normal geometry, frame rectangle in pixels
    QTimer settleNormal_; // a frame seen in Normal state counts once it has stood this long
    std::optional<KivraError> pendingLoadError_;
};

}  // namespace kivra
