// Reading a link's instance settings and carrying them over to a new title.
#include "InstanceSettings.h"

#include "AppNames.h"
#include "LinkStore.h"
#include "TextRules.h"

namespace kivra {

InstanceValues readInstanceSettings(SettingsStore& store, std::string_view title) {
    const std::string app = linkInstanceAppName(title);
    InstanceValues values;
    for (std::size_t i = 0; i < kInstanceKeyCount; ++i)
        values[i] = store.read(app, kInstanceKeys[i].section, kInstanceKeys[i].key, kAbsent);
    return values;
}

namespace {

bool isPositionKey(const InstanceKey& k) {
    return k.section == "FormPosSize" && (k.key == "Top" || k.key == "Left");
}

}  // namespace

void moveInstanceSettings(SettingsStore& store, std::string_view oldTitle, std::string_view newTitle,
                          const InstanceValues& values, PositionReset reset, InstanceSettingsOnDelete removeOld,
                          const std::function<void()>& alsoWrite) {
    StoreBatch batch(store);
    const std::string app = linkInstanceAppName(newTitle);
    for (std::size_t i = 0; i < kInstanceKeyCount; ++i) {
        const InstanceKey& k = kInstanceKeys[i];
        const bool zero = reset == PositionReset::ToHostCorner && isPositionKey(k);
        store.write(app, k.section, k.key, zero ? std::string_view("0") : std::string_view(values[i]));
    }
    if (alsoWrite) alsoWrite();

    // values[0] is "Height": only an instance its link program has saved is removed.
    const bool sameSection = equalsNoCase(linkSectionName(oldTitle), linkSectionName(newTitle));
    if (removeOld == InstanceSettingsOnDelete::RemoveWhenSaved && values[0] != kAbsent && !sameSection)
        DeleteLinkSettings(oldTitle, store);
    batch.commit();
}

}  // namespace kivra
