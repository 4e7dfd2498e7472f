// The process's current settings store and the three store operations over it.
#include "SettingsStore.h"

#include "MemoryStore.h"

namespace kivra {

namespace {
std::shared_ptr<SettingsStore>& storeSlot() {
    static std::shared_ptr<SettingsStore> store = std::make_shared<MemoryStore>();
    return store;
}
}  // namespace

SettingsStore& currentStore() { return *storeSlot(); }

void setCurrentStore(std::shared_ptr<SettingsStore> store) { storeSlot() = std::move(store); }

std::string ReadSetting(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view fallback) {
    return currentStore().read(app, section, key, fallback);
}

void WriteSetting(std::string_view app, std::string_view section, std::string_view key,
                  std::string_view value) {
    currentStore().write(app, section, key, value);
}

void DeleteSection(std::string_view app, std::string_view section) {
    currentStore().deleteSection(app, section);
}

}  // namespace kivra
