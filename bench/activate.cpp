// Benchmark of link activation in the main program: the time from Activate to
// the link window shown on its host (a kivlink window the window manager has
// mapped, its frame at the host frame's top-left corner), and to the Activate
// page showing the link active. The main window runs in this process with the
// real X11 backend; every run starts a real kivlink and ends it with Deactivate.
// Run it through bench/activate.sh (a private Xvfb display with openbox).
//
//   bench_activate [--runs 20] [--warmup 2]
#include "ActivateLinksPage.h"
#include "CreateLinksPage.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MessageState.h"
#include "QtWait.h"
#include "ShowMessage.h"
#include "StoreFile.h"
#include "TempSettings.h"
#include "TestHost.h"
#include "X11WindowSystem.h"
#include "XProbe.h"

#include <QApplication>
#include <QListWidget>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace kivra;
using namespace kivra::test;
using Clock = std::chrono::steady_clock;

const std::string kTitle = "Bench host";
const std::string kActive = "Active  : " + kTitle;
const std::string kInactive = "Inactive: " + kTitle;

struct Options {
    int runs = 20;
    int warmup = 2;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const int value = std::max(0, std::atoi(argv[i + 1]));
        if (key == "--runs") o.runs = std::max(1, value);
        if (key == "--warmup") o.warmup = value;
    }
    return o;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int rowOf(const QListWidget* list, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == wanted) return i;
    return -1;
}

// Nearest-rank percentile of sorted samples.
double percentile(const std::vector<double>& sorted, double p) {
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

void printFigures(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::printf("%-44s p50 %7.1f ms   p95 %7.1f ms   min %7.1f ms   max %7.1f ms   (%zu runs)\n", what,
                percentile(samples, 0.50), percentile(samples, 0.95), samples.front(), samples.back(),
                samples.size());
}

class Bench {
public:
    Bench() {
        std::string error;
        ws_ = x11::X11WindowSystem::connect(nullptr, &error);
        if (!ws_) throw std::runtime_error(error);
        hostWindow_ = host_.open(kTitle, "--geometry 400x300+200+150");

        // kivlink inherits the environment: both programs use this file.
        ::setenv("KIVRA_SETTINGS", settings_.path().c_str(), 1);
        auto store = openStore(settings_.path()).store;
        store->write("Kivra\\Kivra [ Main ]", "MainOptions", "StartupMsg", "0");
        // Every box (kind 26 at the first Deactivate) is answered Yes.
        setMessageResponder([](MessageRequest&) -> std::optional<int> { return MsgResultFirst; });

        MainEnvironment env;
        env.windows = ws_.get();
        env.store = store;
        env.appDirectory = QString::fromStdString(std::string(std::getenv("KIVRA_BIN_DIR")) + "/");
        form_ = std::make_unique<MainForm>(std::move(env));
        form_->load();
        form_->show();
        need(pumpUntil([&] { return form_->firstActivationDone(); }), "the main window never came up");
        addLink();
        form_->openActivatePage();
    }

    ~Bench() {
        if (form_) form_->close();
        form_.reset();
        QCoreApplication::processEvents();
        setMessageResponder({});
        ::unsetenv("KIVRA_SETTINGS");
    }

    struct Run {
        double shown = 0;   // Activate to the link window mapped at the host's corner
        double active = 0;  // Activate to the page's "Active" line
    };

    Run activateOnce() {
        select(kInactive);
        const auto hostFrame = probe_.frameRect(hostWindow_);
        need(hostFrame.has_value(), "the host has no frame");
        const auto start = Clock::now();
        form_->activateLink();
        Run run;
        WindowId linkWindow = 0;
        need(pumpUntil([&] {
                 if (run.shown == 0) {
                     if (!linkWindow) linkWindow = newLinkWindow();
                     if (linkWindow && shownAt(linkWindow, hostFrame->left, hostFrame->top)) run.shown = msSince(start);
                 }
                 if (run.active == 0 && rowOf(form_->activatePage()->statusList(), kActive) >= 0)
                     run.active = msSince(start);
                 return run.shown > 0 && run.active > 0;
             }, std::chrono::seconds(10)),
             "the link never showed on its host");
        return run;
    }

    void deactivate() {
        select(kActive);
        form_->deactivateLink();
        need(pumpUntil([&] {
                 return rowOf(form_->activatePage()->statusList(), kInactive) >= 0 && newLinkWindow() == 0;
             }),
             "the link never ended");
    }

private:
    [[noreturn]] static void fail(const char* why) {
        std::fprintf(stderr, "bench_activate: %s\n", why);
        std::exit(1);
    }
    static void need(bool ok, const char* why) {
        if (!ok) fail(why);
    }

    void addLink() {
        form_->openCreatePage();
        QListWidget* hosts = form_->createPage()->hostList();
        need(pumpUntil([&] { return rowOf(hosts, "T: " + kTitle) >= 0; }), "the host was never listed");
        hosts->setCurrentRow(rowOf(hosts, "T: " + kTitle));
        form_->addLink();
        form_->closeCreatePage();
        need(form_->links().linkCount() == 1, "Add made no link");
    }

    void select(const std::string& line) {
        QListWidget* list = form_->activatePage()->statusList();
        need(pumpUntil([&] { return rowOf(list, line) >= 0; }), "the status line never showed");
        list->setCurrentRow(rowOf(list, line));
    }

    // A window the window manager lists that is neither ours nor the host's: the link's.
    WindowId newLinkWindow() {
        const auto self = static_cast<ProcessId>(::getpid());
        for (WindowId w : probe_.stackingTopFirst()) {
            if (w == hostWindow_) continue;
            const ProcessId owner = ws_->processOf(w);
            if (owner != 0 && owner != self && owner != host_.pid()) return w;
        }
        return 0;
    }

    // Mapped (WM_STATE Normal) with its frame's corner at (x, y).
    bool shownAt(WindowId w, int x, int y) {
        const auto state = probe_.values32(w, "WM_STATE");
        if (state.empty() || state[0] != 1) return false;
        const auto frame = probe_.frameRect(w);
        return frame && frame->left == x && frame->top == y;
    }

    TempSettings settings_;
    std::unique_ptr<x11::X11WindowSystem> ws_;
    XProbe probe_;
    TestHost host_;
    WindowId hostWindow_ = 0;
    std::unique_ptr<MainForm> form_;
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (!std::getenv("KIVRA_BIN_DIR")) {
        std::fprintf(stderr, "bench_activate: KIVRA_BIN_DIR is not set (run bench/activate.sh)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The marker in our windows' class keeps them out of the host list, as in kivra.
    QApplication::setApplicationName(QStringLiteral("QbaseRT5-Kivra"));
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    Bench bench;
    std::vector<double> shown, active;
    for (int i = 0; i < options.warmup + options.runs; ++i) {
        const Bench::Run run = bench.activateOnce();
        bench.deactivate();
        if (i < options.warmup) continue;
        shown.push_back(run.shown);
        active.push_back(run.active);
    }
    std::printf("Link activation, %d runs after %d warm-up runs:\n", options.runs, options.warmup);
    printFigures("Activate -> link window mapped on its host:", shown);
    printFigures("Activate -> \"Active\" line on the page:", active);
    return 0;
}
