// Load and save rules of the window preferences.
#include "Preferences.h"

#include "StoredValue.h"

#include <algorithm>
#include <cmath>

namespace kivra {

namespace {

constexpr const char* kFormPrefs = "FormPrefs";
constexpr const char* kFormPosSize = "FormPosSize";
constexpr const char* kMainOptions = "MainOptions";
constexpr const char* kPictureFiles = "PictureFiles";
constexpr const char* kPicturePrefs = "PicturePrefs";

// Integer division of two values first rounded to whole numbers (halves to even).
long idiv(double a, long b) { return static_cast<long>(std::nearbyint(a)) / b; }

class Reader {
public:
    Reader(SettingsStore& store, const std::string& app) : store_(store), app_(app) {}
    std::string operator()(const char* section, const char* key) {
        return store_.read(app_, section, key, kAbsent);
    }

private:
    SettingsStore& store_;
    const std::string& app_;
};

// A stored size that is not a positive number would make the window vanish:
// it falls back to the default, and a size beyond the screen is cut to the screen.
double readSize(const std::string& v, double fallback, double screen) {
    if (isAbsent(v)) return fallback;
    const double n = leadingNumber(v);
    if (!(n > 0)) return fallback;
    return screen > 0 ? std::min(n, screen) : n;
}

// Main mode: a stored position more than half off the screen is pulled back.
double clampMainPosition(const std::string& v, double size, double screen) {
    if (isAbsent(v)) return static_cast<double>(idiv(screen - size, 2));
    const double pos = leadingNumber(v);
    const long half = idiv(size, 2);
    if (pos < -half) return 0;
    if (pos > screen - half) return screen - size;
    return pos;
}

// Link mode: a stored offset in whole twips; absent gives 0.
long readOffset(const std::string& v) {
    if (isAbsent(v)) return 0;
    return toInt32(v);
}

std::int16_t readSwatch(const std::string& v) {
    if (isAbsent(v)) return 47;
    const std::int16_t n = toInt16(v);
    return (n >= 1 && n <= 60) ? n : 47;  // an index outside the 60 swatches would select nothing
}

}  // namespace

int kickIntervalMs(KickInterval interval) {
    switch (interval) {
    case KickInterval::Ms250: return 250;
    case KickInterval::Ms100: return 100;
    case KickInterval::Ms10: return 10;
    case KickInterval::Ms1: return 1;
    }
    return 1;
}

Preferences defaultPreferences(const LoadContext& ctx) {
    Preferences p;
    const bool link = ctx.mode == PrefMode::Link;
    p.width = ctx.twips.fromPixelsX(link ? 234 : 300);
    p.height = ctx.twips.fromPixelsY(link ? 60 : 100);
    if (link) {
        p.left = ctx.twips.wholeFromPixelsX(ctx.hostLeftPx);
        p.top = ctx.twips.wholeFromPixelsY(ctx.hostTopPx);
        p.picOption = PicOption::None;
        p.captionMode = CaptionMode::PositionTitle;
        p.startupMsg = false;
    } else {
        p.left = static_cast<double>(idiv(ctx.screenWidthTwips - p.width, 2));
        p.top = static_cast<double>(idiv(ctx.screenHeightTwips - p.height, 2));
    }
    return p;
}

LoadResult loadPreferences(SettingsStore& store, const std::string& app, const LoadContext& ctx) {
    LoadResult result{defaultPreferences(ctx), std::nullopt};
    Preferences& p = result.prefs;
    const bool link = ctx.mode == PrefMode::Link;
    Reader read(store, app);
    try {
        // Always on top: link windows always are.
        std::string v = read(kFormPrefs, "FormKVA");
        p.alwaysOnTop = link || isAbsent(v) || isOne(v);

        // Geometry: the top clamp uses the height just read, the left clamp the width.
        p.height = readSize(read(kFormPosSize, "Height"), p.height, ctx.screenHeightTwips);
        p.width = readSize(read(kFormPosSize, "Width"), p.width, ctx.screenWidthTwips);
        v = read(kFormPosSize, "Top");
        if (link) {
            p.offsetTop = readOffset(v);
            p.top = ctx.twips.wholeFromPixelsY(ctx.hostTopPx) + p.offsetTop;
        } else {
            p.top = clampMainPosition(v, p.height, ctx.screenHeightTwips);
        }
        v = read(kFormPosSize, "Left");
        if (link) {
            p.offsetLeft = readOffset(v);
            p.left = ctx.twips.wholeFromPixelsX(ctx.hostLeftPx) + p.offsetLeft;
        } else {
            p.left = clampMainPosition(v, p.width, ctx.screenWidthTwips);
        }

        v = read(kFormPrefs, "FormStartup");
        if (!link) {
            const double n = isAbsent(v) ? 0 : leadingNumber(v);
            p.startup = n == 1 ? StartupState::Maximized : n == 2 ? StartupState::Minimized : StartupState::Normal;
        }
        v = read(kMainOptions, "PicOptN");
        if (!isAbsent(v)) {
            const double n = leadingNumber(v);
            p.picOption = n == 1 ? PicOption::Show : n == 2 ? PicOption::Hide : PicOption::None;
        }
        v = read(kMainOptions, "TBCapOptN");
        if (!isAbsent(v)) {
            const double n = leadingNumber(v);
            p.captionMode = (n == 1 || n == 2 || n == 3) ? static_cast<CaptionMode>(static_cast<int>(n))
                                                          : CaptionMode::Blank;
        }
        v = read(kMainOptions, "TBCapString");
        p.captionText = isAbsent(v) ? std::string() : v;
        v = read(kMainOptions, "TimerOptN");
        if (!isAbsent(v)) {
            const double n = leadingNumber(v);
            p.kickInterval = (n == 1 || n == 2 || n == 3) ? static_cast<KickInterval>(static_cast<int>(n))
                                                           : KickInterval::Ms1;
        }
        v = read(kMainOptions, "TimerState");
        p.kickTimerOn = !isAbsent(v) && leadingNumber(v) != 0 && p.alwaysOnTop;

        v = read(kMainOptions, "StartupMsg");
        p.startupMsg = !link && (isAbsent(v) || leadingNumber(v) != 0);
        v = read(kMainOptions, "MemTestOff");
        p.memTestOff = !link && !isAbsent(v) && leadingNumber(v) != 0;

        v = read(kPictureFiles, "PicFileTypes");
        p.picFileTypes = isAbsent(v) ? std::string(kDefaultPicFileTypes) : v;
        p.viewedFiles.clear();
        for (int i = 1; i <= 5; ++i) {
            const std::string key = "PrevFile" + std::to_string(i);
            v = read(kPictureFiles, key.c_str());
            if (i == 1 && isAbsent(v) && !link && p.startupMsg) p.viewedFiles.push_back(ctx.appDirectory + "welcome.gif");
            if (!isAbsent(v) && !v.empty()) p.viewedFiles.push_back(v);
        }

        p.picAlign = PicAlign::None;
        v = read(kPicturePrefs, "PicAlign");
        if (!isAbsent(v)) {
            const double n = leadingNumber(v);
            p.picAlign = (n == 1 || n == 2 || n == 3) ? static_cast<PicAlign>(static_cast<int>(n)) : PicAlign::None;
        }
        v = read(kPicturePrefs, "PicAutosize");
        p.picAutosize = isAbsent(v) || isOne(v);
        v = read(kPicturePrefs, "PicBorder");
        p.picBorder = !isAbsent(v) && isOne(v);
        v = read(kPicturePrefs, "PicAppear");
        p.picAppear3D = isAbsent(v) || isOne(v);

        v = read(kFormPrefs, "FormToolTips");
        p.toolTips = isAbsent(v) || isOne(v);
        p.paletteA = true;
        v = read(kFormPrefs, "FormColorPal");
        p.paletteA = isAbsent(v) || isOne(v);
        p.pal1Color = readSwatch(read(kFormPrefs, "FormPal1Color"));
        p.pal2Color = readSwatch(read(kFormPrefs, "FormPal2Color"));
    } catch (const KivraError& e) {
        result.error = e;
    }
    return result;
}

namespace {

// Link mode: the offsets to save, or the remembered ones when the window is
// parked far away or more than half off the screen.
void updateLinkOffsets(Preferences& p, const SaveContext& ctx) {
    const auto& r = ctx.windowRectPx;
    const double left = ctx.twips.fromPixelsX(r.left), top = ctx.twips.fromPixelsY(r.top);
    const long width = static_cast<long>(std::lround(ctx.twips.fromPixelsX(r.width)));
    const long height = static_cast<long>(std::lround(ctx.twips.fromPixelsY(r.height)));
    const bool parked = r.left > 9000 || r.left < -9000 || r.top > 9000 || r.top < -9000;
    const bool offScreen = left < -(width / 2) || top < -(height / 2) ||
                           left + width > ctx.screenWidthTwips + width / 2 ||
                           top + height > ctx.screenHeightTwips + height / 2;
    if (parked || offScreen) {
        if (p.offsetLeft < 0 || p.offsetTop < 0) p.offsetLeft = p.offsetTop = 0;
        return;
    }
    p.offsetLeft = std::lround(left - ctx.hostLeftTwips);
    p.offsetTop = std::lround(top - ctx.hostTopTwips);
}

}  // namespace

void savePreferences(SettingsStore& store, const std::string& app, Preferences& p, const SaveContext& ctx,
                     const std::function<void()>& hostLinks) {
    const bool link = ctx.mode == PrefMode::Link;
    auto write = [&](const char* section, const std::string& key, const std::string& value) {
        store.write(app, section, key, value);
    };
    if (link) {
        updateLinkOffsets(p, ctx);
        write(kFormPosSize, "Top", intText(p.offsetTop));
        write(kFormPosSize, "Left", intText(p.offsetLeft));
    } else {
        write(kFormPosSize, "Top", twipsText(p.top));
        write(kFormPosSize, "Left", twipsText(p.left));
    }
    write(kFormPosSize, "Height", twipsText(p.height));
    write(kFormPosSize, "Width", twipsText(p.width));

    write(kMainOptions, "PicOptN", intText(static_cast<int>(p.picOption)));
    write(kMainOptions, "TBCapOptN", intText(static_cast<int>(p.captionMode)));
    write(kMainOptions, "TBCapString", p.captionText);
    write(kMainOptions, "TimerOptN", intText(static_cast<int>(p.kickInterval)));
    write(kMainOptions, "TimerState", flagText(p.kickTimerOn));
    write(kMainOptions, "StartupMsg", flagText(p.startupMsg && !link));
    write(kMainOptions, "MemTestOff", flagText(p.memTestOff && !link));

    if (hostLinks) hostLinks();

    write(kPictureFiles, "PicFileTypes", p.picFileTypes);
    for (size_t i = 0; i < 5; ++i) {
        // Fewer than five viewed files: the rest are written empty, which reads back as none.
        write(kPictureFiles, "PrevFile" + std::to_string(i + 1), i < p.viewedFiles.size() ? p.viewedFiles[i] : "");
    }
    write(kPicturePrefs, "PicAlign", intText(static_cast<int>(p.picAlign)));
    write(kPicturePrefs, "PicAutosize", choiceText(p.picAutosize));
    write(kPicturePrefs, "PicBorder", choiceText(p.picBorder));
    write(kPicturePrefs, "PicAppear", choiceText(p.picAppear3D));
    write(kFormPrefs, "FormStartup", intText(link ? 0 : static_cast<int>(p.startup)));
    write(kFormPrefs, "FormKVA", choiceText(link || p.alwaysOnTop));
    write(kFormPrefs, "FormToolTips", choiceText(p.toolTips));
    write(kFormPrefs, "FormColorPal", choiceText(p.paletteA));
    write(kFormPrefs, "FormPal1Color", intText(p.pal1Color));
    write(kFormPrefs, "FormPal2Color", intText(p.pal2Color));
}

}  // namespace kivra
