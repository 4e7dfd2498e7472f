// Preference load order, fallbacks, clamping and save rules in main and link mode; the lenient
// numeric parse and the integer ranges of stored values.
#include "MemoryStore.h"
#include "Preferences.h"
#include "StoredValue.h"
#include "UnitSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

using namespace kivra;

namespace {

TEST(StoredValue, LeadingNumberSaturatingIntegersAndTextForms) {
    const std::pair<const char*, double> rows[] = {
        {"  47abc", 47}, {"abc", 0}, {"-", 0}, {"-12.5x", -12.5}, {".5", 0.5}, {"+3", 3}};
    for (const auto& [text, number] : rows) EXPECT_EQ(leadingNumber(text), number) << text;
    // Huge values saturate instead of overflowing; halves go to even.
    EXPECT_EQ(toInt16("-99999999999"), -32768);
    EXPECT_EQ(toInt32("99999999999"), 2147483647);
    EXPECT_EQ(toInt16(std::string(10000, '9')), 32767);  // 10 kB of digits
    EXPECT_EQ(toInt16("2.5"), 2);
    EXPECT_EQ(toInt16("3.5"), 4);
    EXPECT_EQ(twipsText(1417.5), "1417.5");
    EXPECT_TRUE(isOne("1.0"));
}

// 1280 x 1024 pixels at 96 DPI: 15 twips per pixel.
LoadContext mainContext() {
    LoadContext c;
    c.mode = PrefMode::Main;
    c.screenWidthTwips = 1280 * 15;
    c.screenHeightTwips = 1024 * 15;
    c.appDirectory = "/opt/kivra/";
    return c;
}

LoadContext linkContext(int hostLeft = 100, int hostTop = 50) {
    LoadContext c = mainContext();
    c.mode = PrefMode::Link;
    c.hostLeftPx = hostLeft;
    c.hostTopPx = hostTop;
    return c;
}

const std::string kLinkApp = "Kivra\\Kivra [Link] Mail\\Inst 1 of 1";

// The preferences loaded from a store holding just these {section, key, value} rows.
using Rows = std::vector<std::array<std::string, 3>>;
Preferences load(const Rows& rows, const std::string& app = kMainAppName, const LoadContext& ctx = mainContext()) {
    MemoryStore store;
    for (const auto& [section, key, value] : rows) store.write(app, section, key, value);
    return loadPreferences(store, app, ctx).prefs;
}

TEST(PreferencesLoad, FirstStartGivesTheDefaults) {
    MemoryStore store;
    const auto r = loadPreferences(store, kMainAppName, mainContext());
    ASSERT_FALSE(r.error);
    const Preferences& p = r.prefs;
    EXPECT_EQ(p.width, 300 * 15);
    EXPECT_EQ(p.left, (1280 - 300) * 15 / 2);
    EXPECT_EQ(p.top, (1024 - 100) * 15 / 2);
    EXPECT_TRUE(p.alwaysOnTop);
    EXPECT_EQ(p.viewedFiles, std::vector<std::string>{"/opt/kivra/welcome.gif"});
    EXPECT_EQ(store.writeCount(), 0);
}

TEST(PreferencesLoad, AnErrorStopsLoadingAndKeepsWhatWasRead) {
    MemoryStore inner;
    test::FaultyStore store(inner);
    store.write(kMainAppName, "MainOptions", "TBCapOptN", "1");
    store.write(kMainAppName, "MainOptions", "TimerOptN", "3");
    store.failReadOf = "TimerOptN";
    const auto r = loadPreferences(store, kMainAppName, mainContext());
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.prefs.captionMode, CaptionMode::Custom);      // read before the failure
    EXPECT_EQ(r.prefs.kickInterval, KickInterval::Ms250);     // never read
}

TEST(PreferencesLoad, TheMainWindowMoreThanHalfOffTheScreenIsPulledBack) {
    // Half the height may be off: 750 at the top, 15360 - 14610 at the bottom.
    const std::pair<const char*, double> rows[] = {
        {"-751", 0}, {"14611", 15360 - 1500}, {"4000.5", 4000.5}};
    for (const auto& [stored, top] : rows)
        EXPECT_EQ(load({{"FormPosSize", "Height", "1500"}, {"FormPosSize", "Top", stored}}).top, top) << stored;
}

struct ChoiceCase {
    const char* section;
    const char* key;
    const char* stored;
    std::function<bool(const Preferences&)> check;
};

TEST(PreferencesLoad, StoredChoicesSelectTheirFallback) {
    const ChoiceCase rows[] = {
        {"MainOptions", "TBCapOptN", "7", [](auto& p) { return p.captionMode == CaptionMode::Blank; }},
        {"PicturePrefs", "PicAlign", "2", [](auto& p) { return p.picAlign == PicAlign::Right; }},
        {"PicturePrefs", "PicAlign", "7", [](auto& p) { return p.picAlign == PicAlign::None; }},
        {"MainOptions", "TimerOptN", "abc", [](auto& p) { return p.kickInterval == KickInterval::Ms1; }},
        {"MainOptions", "TimerOptN", "2", [](auto& p) { return p.kickInterval == KickInterval::Ms100; }},
        {"FormPrefs", "FormKVA", "abc", [](auto& p) { return !p.alwaysOnTop; }},
        {"MainOptions", "StartupMsg", "0", [](auto& p) { return !p.startupMsg && p.viewedFiles.empty(); }},
        {"FormPosSize", "Height", "abc", [](auto& p) { return p.height == 1500; }},
        {"MainOptions", "TimerState", "1", [](auto& p) { return p.kickTimerOn; }}};
    for (const ChoiceCase& c : rows) EXPECT_TRUE(c.check(load({{c.section, c.key, c.stored}}))) << c.key << "=" << c.stored;
    // The kick timer runs only when always on top; viewed files skip empty entries, keeping their order.
    EXPECT_FALSE(load({{"MainOptions", "TimerState", "1"}, {"FormPrefs", "FormKVA", "2"}}).kickTimerOn);
    const Rows viewed = {{"PictureFiles", "PrevFile1", "/a.gif"}, {"PictureFiles", "PrevFile2", ""},
                         {"PictureFiles", "PrevFile4", "/d.gif"}};
    EXPECT_EQ(load(viewed).viewedFiles, (std::vector<std::string>{"/a.gif", "/d.gif"}));
}

TEST(PreferencesLoad, LinkModeIgnoresMainOnlyKeysAndPlacesOnTheHost) {
    const Rows stored = {{"FormPrefs", "FormKVA", "2"},      {"FormPrefs", "FormStartup", "1"},
                         {"MainOptions", "StartupMsg", "1"}, {"MainOptions", "MemTestOff", "1"},
                         {"FormPosSize", "Top", "300"},      {"FormPosSize", "Left", "-150"}};
    const Preferences p = load(stored, kLinkApp, linkContext(100, 50));
    EXPECT_TRUE(p.alwaysOnTop);
    EXPECT_FALSE(p.memTestOff);
    EXPECT_TRUE(p.viewedFiles.empty());
    EXPECT_EQ(p.top, 50 * 15 + 300);
    EXPECT_EQ(p.left, 100 * 15 - 150);
}

SaveContext mainSave() {
    SaveContext c;
    c.mode = PrefMode::Main;
    c.screenWidthTwips = 1280 * 15;
    c.screenHeightTwips = 1024 * 15;
    return c;
}

TEST(PreferencesSave, MainModeRoundTripsEveryKey) {
    MemoryStore store;
    Preferences p = defaultPreferences(mainContext());
    p.alwaysOnTop = false;
    p.startup = StartupState::Maximized;
    p.captionMode = CaptionMode::Custom;
    p.captionText = "Time: %Time% \\ tab\t";
    p.kickInterval = KickInterval::Ms10;
    p.picAlign = PicAlign::Bottom;
    p.viewedFiles = {"/x/1.gif", "/x/2.bmp"};
    p.top = 4035;
    savePreferences(store, kMainAppName, p, mainSave());
    EXPECT_EQ(store.read(kMainAppName, "FormPrefs", "FormKVA", "-1"), "2");
    EXPECT_EQ(store.read(kMainAppName, "FormPosSize", "Top", "-1"), "4035");
    EXPECT_EQ(store.read(kMainAppName, "PictureFiles", "PrevFile3", "-1"), "");
    EXPECT_EQ(store.size(), 27u);

    // What loads back saves again as the same 27 values.
    Preferences back = loadPreferences(store, kMainAppName, mainContext()).prefs;
    MemoryStore again;
    savePreferences(again, kMainAppName, back, mainSave());
    EXPECT_EQ(again.entries(), store.entries());
}

TEST(PreferencesSave, LinkModeSavesOffsetsFromTheHostUnlessParkedOrOffScreen) {
    MemoryStore store;
    Preferences p = defaultPreferences(linkContext());
    p.offsetLeft = 30;
    p.offsetTop = 45;
    p.startupMsg = p.memTestOff = true;  // main-only options: a link writes them off
    SaveContext c = mainSave();
    c.mode = PrefMode::Link;
    c.hostLeftTwips = 100 * 15;
    c.hostTopTwips = 50 * 15;
    c.windowRectPx = {140, 60, 234, 60};
    savePreferences(store, kLinkApp, p, c);
    EXPECT_EQ(store.read(kLinkApp, "FormPosSize", "Left", "-1"), "600");
    EXPECT_EQ(store.read(kLinkApp, "FormPosSize", "Top", "-1"), "150");
    EXPECT_EQ(store.read(kLinkApp, "MainOptions", "MemTestOff", "-1"), "0");

    // A minimized window parked at -32000: the remembered offsets are written again.
    c.windowRectPx = {-32000, -32000, 160, 24};
    savePreferences(store, kLinkApp, p, c);
    EXPECT_EQ(store.read(kLinkApp, "FormPosSize", "Left", "-1"), "600");

    // More than half off the right edge; negative remembered offsets reset to 0.
    p.offsetLeft = -20;
    c.windowRectPx = {1280 - 100, 60, 234, 60};
    savePreferences(store, kLinkApp, p, c);
    EXPECT_EQ(store.read(kLinkApp, "FormPosSize", "Left", "-1"), "0");
    EXPECT_EQ(store.read(kLinkApp, "FormPosSize", "Top", "-1"), "0");
}

}  // namespace
