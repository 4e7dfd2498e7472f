// The window preferences both programs keep in the settings store: the state,
// the load order with its fallbacks and clamping, and the save rules, in main and link mode.
#pragma once

#include "KivraError.h"
#include "SettingsStore.h"
#include "Twips.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kivra {

inline constexpr const char* kMainAppName = "Kivra\\Kivra [ Main ]";
inline constexpr const char* kDefaultPicFileTypes = "*.GIF;*.BMP;*.JPG;*.JPEG;*.PNG;*.ICO;*.CUR;*.WMF;*.EMF";

// Main mode: the process command line is empty (the main program). Link mode: the link program.
enum class PrefMode { Main, Link };

enum class StartupState : std::int16_t { Normal = 0, Maximized = 1, Minimized = 2 };
enum class PicOption : std::int16_t { Show = 1, Hide = 2, None = 3 };
enum class CaptionMode : std::int16_t { Custom = 1, WindowTitle = 2, PositionTitle = 3, Blank = 4 };
enum class KickInterval : std::int16_t { Ms250 = 1, Ms100 = 2, Ms10 = 3, Ms1 = 4 };
enum class PicAlign : std::int16_t { Top = 1, Right = 2, Bottom = 3, None = 4 };

int kickIntervalMs(KickInterval interval);

struct Preferences {
    // FormPrefs
    bool alwaysOnTop = true;
    StartupState startup = StartupState::Normal;
    bool toolTips = true;
    bool paletteA = true;
    std::int16_t pal1Color = 47;
    std::int16_t pal2Color = 47;
    // FormPosSize, in twips; main mode absolute, link mode absolute after load
    double height = 0, width = 0, top = 0, left = 0;
    // Link mode: the remembered offsets from the host's top-left corner, whole twips.
    long offsetLeft = 0, offsetTop = 0;
    // MainOptions
    PicOption picOption = PicOption::Show;
    CaptionMode captionMode = CaptionMode::WindowTitle;
    std::string captionText;
    KickInterval kickInterval = KickInterval::Ms250;
    bool kickTimerOn = false;   // the kick timer runs (only ever with alwaysOnTop)
    bool startupMsg = true;
    bool memTestOff = false;
    // PictureFiles
    std::string picFileTypes = kDefaultPicFileTypes;
    std::vector<std::string> viewedFiles;  // newest first; the first five are PrevFile1..5
    // PicturePrefs
    PicAlign picAlign = PicAlign::None;
    bool picAutosize = true;
    bool picBorder = false;
    bool picAppear3D = true;
};

// What the loader needs to know about the screen and, in link mode, the host.
struct LoadContext {
    PrefMode mode = PrefMode::Main;
    Twips twips;
    double screenWidthTwips = 0, screenHeightTwips = 0;
    int hostLeftPx = 0, hostTopPx = 0;     // link mode: the host window's top-left in pixels
    std::string appDirectory;               // with its trailing separator
};

struct LoadResult {
    Preferences prefs;
    std::optional<KivraError> error;  // loading stopped at this failure; earlier values stay
};

// The defaults of a fresh installation for the mode, before any key is read.
Preferences defaultPreferences(const LoadContext& ctx);

// Reads every preference key in the load order, applying the read rules.
LoadResult loadPreferences(SettingsStore& store, const std::string& app, const LoadContext& ctx);

// What the saver needs besides the preferences: the window's own rectangle and,
// in link mode, the host's position in whole twips.
struct SaveContext {
    PrefMode mode = PrefMode::Main;
    Twips twips;
    double screenWidthTwips = 0, screenHeightTwips = 0;
    struct PixelRect { int left = 0, top = 0, width = 0, height = 0; };
    PixelRect windowRectPx;            // link mode: GetWindowRect of the link window
    long hostLeftTwips = 0, hostTopTwips = 0;
};

// Writes every preference key in the save order. `hostLinks`, when given, runs
// between the MainOptions keys and PicFileTypes (the main program's host links).
// In link mode the remembered offsets in `prefs` are updated. Throws KivraError.
void savePreferences(SettingsStore& store, const std::string& app, Preferences& prefs,
                     const SaveContext& ctx, const std::function<void()>& hostLinks = {});

}  // namespace kivra
