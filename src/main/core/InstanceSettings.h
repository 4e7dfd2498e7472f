// A link's instance settings: the 27 preference keys its link program saves under
// the link's instance application name, and their move to a new title.
#pragma once

#include "CreateLinks.h"
#include "SettingsStore.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace kivra {

struct InstanceKey {
    std::string_view section;
    std::string_view key;
};

inline constexpr std::size_t kInstanceKeyCount = 27;

// In the order they are read and written.
inline constexpr std::array<InstanceKey, kInstanceKeyCount> kInstanceKeys{{
    {"FormPosSize", "Height"},     {"FormPosSize", "Width"},       {"FormPosSize", "Top"},
    {"FormPosSize", "Left"},       {"FormPrefs", "FormKVA"},       {"FormPrefs", "FormStartup"},
    {"FormPrefs", "FormToolTips"}, {"FormPrefs", "FormColorPal"},  {"FormPrefs", "FormPal1Color"},
    {"FormPrefs", "FormPal2Color"}, {"MainOptions", "PicOptN"},    {"MainOptions", "TBCapOptN"},
    {"MainOptions", "TBCapString"}, {"MainOptions", "TimerOptN"},  {"MainOptions", "TimerState"},
    {"MainOptions", "StartupMsg"}, {"MainOptions", "MemTestOff"},  {"PictureFiles", "PicFileTypes"},
    {"PictureFiles", "PrevFile1"}, {"PictureFiles", "PrevFile2"},  {"PictureFiles", "PrevFile3"},
    {"PictureFiles", "PrevFile4"}, {"PictureFiles", "PrevFile5"},  {"PicturePrefs", "PicAlign"},
    {"PicturePrefs", "PicAutosize"}, {"PicturePrefs", "PicBorder"}, {"PicturePrefs", "PicAppear"},
}};

// The values of kInstanceKeys, "-1" for each one not stored.
using InstanceValues = std::array<std::string, kInstanceKeyCount>;

// Whether the link window goes back to its host's top-left corner: "Top" and "Left"
// are then written as "0".
enum class PositionReset { Keep, ToHostCorner };

// The 27 values under the instance "Inst 1 of 1" of the link titled `title`.
InstanceValues readInstanceSettings(SettingsStore& store, std::string_view title);

// Writes the 27 values under the instance of the link titled `newTitle`, runs
// `alsoWrite` (the link's `LinkOptions`), and, under `RemoveWhenSaved`, removes the
// settings of every instance of `oldTitle` when its instance had a saved "Height".
// Everything lands in one store batch, the removal last, so a failure leaves the
// store as it was. A title that changes only in letter case names the same section
// (the store compares names without regard to case): nothing is removed then.
// Throws KivraError.
void moveInstanceSettings(SettingsStore& store, std::string_view oldTitle, std::string_view newTitle,
                          const InstanceValues& values, PositionReset reset, InstanceSettingsOnDelete removeOld,
                          const std::function<void()>& alsoWrite);

}  // namespace kivra
