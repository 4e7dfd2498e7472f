// The process's current settings store and the three store operations over it.
#include "SettingsStore.h"

#include "KivraError.h"
#include "MemoryStore.h"

namespace kivra {

namespace {
std::shared_ptr<SettingsStore>& storeSlot() {
    static std::shared_ptr<SettingsStore> store = std::make_shared<MemoryStore>();
    return store;
}
}  // namespace

std::string StoredEntry::app() const {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string StoredEntry::section() const {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<StoredEntry> SettingsStore::entries(std::string_view) {
    throw KivraError(errnum::InvalidProcedureCall, "This settings store cannot list its values");
}

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
