// Loading and saving host links, key by key in the order the store has always seen them.
#include "LinkStore.h"

#include "AppNames.h"
#include "StoredValue.h"
#include "TextRules.h"

#include <algorithm>

namespace kivra {

namespace {

const std::string_view kCountKey = "HLinkCnt";

std::string linkKey(int position) { return "Link" + std::to_string(position); }

std::string readOr(SettingsStore& store, std::string_view app, std::string_view key, std::string fallback) {
    std::string value = store.read(app, kLinkOptionsSection, key, kAbsent);
    return isAbsent(value) ? fallback : value;
}

// A "1"/"2" option: absent gives the default, "1" on, anything else off.
bool readChoice(SettingsStore& store, std::string_view app, std::string_view key, bool fallback) {
    const std::string value = store.read(app, kLinkOptionsSection, key, kAbsent);
    return isAbsent(value) ? fallback : isOne(value);
}

MatchMethod readMethod(SettingsStore& store, std::string_view app) {
    const std::string value = store.read(app, kLinkOptionsSection, "MatchMethod", kAbsent);
    return isAbsent(value) ? MatchMethod::Exact : matchMethodFromStored(value);
}

}  // namespace

MatchMethod matchMethodFromStored(std::string_view text) {
    const double n = leadingNumber(text);
    if (n == 1) return MatchMethod::Exact;
    if (n == 2) return MatchMethod::Fuzzy;
    return MatchMethod::FuzzyExclusion;
}

void ReadLinkRecordOptions(HostLink& link, SettingsStore& store) {
    const std::string app = linkInstanceAppName(link.title);
    link.winClass = readOr(store, app, "WinClass", "");
    link.matchMethod = readMethod(store, app);
    link.exclusionText = readOr(store, app, "ExclusionText", "");
    link.autoExec = readChoice(store, app, "AutoExecOn", true);
    if (!link.autoExec) link.autoExecReady = false;
    link.matchClass = readChoice(store, app, "MatchClass", false);
    link.autoTerminate = readChoice(store, app, "AutoTermOn", true);
    link.terminateHost = readChoice(store, app, "TermHost", false);
}

void LoadHostLinks(LinkTable& table, SettingsStore& store) {
    table.clear();
    const std::string countText = store.read(kMainApplicationName, kHostLinksSection, kCountKey, kAbsent);
    const int count = isAbsent(countText) ? 0 : std::min<int>(toInt16(countText), LinkTable::kMaxLinks);
    // The titles are sorted as they arrive; on a store error the ones read so far stay.
    std::vector<HostLink> loaded;
    try {
        for (int position = 1; position <= count; ++position) {
            const std::string title =
                store.read(kMainApplicationName, kHostLinksSection, linkKey(position), kAbsent);
            if (title.empty() || isAbsent(title)) continue;  // gaps close up
            HostLink link;
            link.title = std::string(rightTrimBlanks(title));
            loaded.push_back(std::move(link));
        }
    } catch (...) {
        table.assign(std::move(loaded));
        throw;
    }
    table.assign(std::move(loaded));
    for (int k = 0; k < table.linkCount(); ++k) ReadLinkRecordOptions(table.at(k), store);
}

void WriteLinkOptions(const HostLink& link, SettingsStore& store) {
    const std::string app = linkInstanceAppName(link.title);
    store.write(app, kLinkOptionsSection, "WinClass", link.winClass);
    store.write(app, kLinkOptionsSection, "MatchMethod", intText(static_cast<int>(link.matchMethod)));
    store.write(app, kLinkOptionsSection, "ExclusionText", link.exclusionText);
    store.write(app, kLinkOptionsSection, "AutoExecOn", choiceText(link.autoExec));
    store.write(app, kLinkOptionsSection, "MatchClass", choiceText(link.matchClass));
    store.write(app, kLinkOptionsSection, "AutoTermOn", choiceText(link.autoTerminate));
    store.write(app, kLinkOptionsSection, "TermHost", choiceText(link.terminateHost));
}

void SaveHostLinks(const LinkTable& table, SettingsStore& store) {
    // One batch: a failure half way must not leave the old links deleted and the new ones unwritten.
    StoreBatch batch(store);
    // Dropping the section removes the old numbering, gaps and all.
    if (!isAbsent(store.read(kMainApplicationName, kHostLinksSection, kCountKey, kAbsent)))
        store.deleteSection(kMainApplicationName, kHostLinksSection);
    store.write(kMainApplicationName, kHostLinksSection, kCountKey, intText(table.linkCount()));
    for (int k = 0; k < table.linkCount(); ++k)
        store.write(kMainApplicationName, kHostLinksSection, linkKey(k + 1), table.at(k).title);
    for (const HostLink& link : table.records()) WriteLinkOptions(link, store);
    batch.commit();
}

LinkMatchOptions LoadLinkOptions(std::string_view instanceAppName, SettingsStore& store) {
    LinkMatchOptions options;
    options.method = readMethod(store, instanceAppName);
    options.exclusionText = readOr(store, instanceAppName, "ExclusionText", "");
    options.matchClass = readChoice(store, instanceAppName, "MatchClass", false);
    options.winClass = readOr(store, instanceAppName, "WinClass", "");
    options.autoTerminate = readChoice(store, instanceAppName, "AutoTermOn", true);
    return options;
}

void DeleteLinkSettings(std::string_view title, SettingsStore& store) {
    store.deleteSection(kRootApplicationName, linkSectionName(title));
}

}  // namespace kivra
