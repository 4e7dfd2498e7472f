// kivra-settings: read, change, list, export and import the Kivra settings store from a shell.
#include "Autostart.h"
#include "ExportFormat.h"
#include "KivraError.h"
#include "StoreLocation.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kivra::KivraError;
using kivra::SettingsStore;
namespace fmt = kivra::settings;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "Usage: kivra-settings COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  get APP SECTION KEY          print the value, or -1 when there is none\n"
    "  set APP SECTION KEY VALUE    store a value\n"
    "  delete-section APP SECTION   remove a section with every key and level below it\n"
    "  list [APP]                   list every value (under APP): app, section, key, value,\n"
    "                               tab-separated, with control characters written %XX\n"
    "  export FILE                  write every value to FILE ('-' for standard output)\n"
    "  import FILE                  add the values of an export ('-' for standard input);\n"
    "                               a faulty file changes nothing\n"
    "  path                         print where the settings are (file or registry key)\n"
    "  autostart on|off|status      start Kivra at login, stop doing so, or tell which\n"
    "  --help                       show this text\n"
    "\n"
    "APP is an application name whose backslash-separated parts nest, for example\n"
    "\"Kivra\\Kivra [ Main ]\". Names compare without regard to case.\n";

int usageError(const std::string& message) {
    std::cerr << "kivra-settings: " << message << "\n" << "Try 'kivra-settings --help'.\n";
    return kUsage;
}

void printError(const KivraError& e) {
    std::cerr << "kivra-settings: error " << e.number() << ": " << e.description() << "\n";
}

// Opens the store; a problem found on the way (a damaged file set aside, a read-only file)
// is told once and the command goes on with what is usable.
std::shared_ptr<SettingsStore> openStore() {
    kivra::OpenedStore opened = kivra::openDefaultStore();
    if (opened.problem)
        std::cerr << "kivra-settings: warning " << opened.problem->number() << ": " << opened.problem->description()
                  << "\n";
    return opened.store;
}

int get(const std::vector<std::string>& args) {
    std::cout << openStore()->read(args[0], args[1], args[2], kivra::kAbsent) << "\n";
    return kOk;
}

int set(const std::vector<std::string>& args) {
    openStore()->write(args[0], args[1], args[2], args[3]);
    return kOk;
}

int deleteSection(const std::vector<std::string>& args) {
    openStore()->deleteSection(args[0], args[1]);
    return kOk;
}

int list(const std::vector<std::string>& args) {
    const auto entries = openStore()->entries(args.empty() ? std::string() : args[0]);
    for (const kivra::StoredEntry& e : entries) {
        std::cout << fmt::escapeField(e.app(), fmt::Field::Path) << '\t'
                  << fmt::escapeField(e.section(), fmt::Field::Path) << '\t' << fmt::escapeField(e.key, fmt::Field::Value)
                  << '\t' << fmt::escapeField(e.value, fmt::Field::Value) << '\n';
    }
    return kOk;
}

int exportTo(const std::vector<std::string>& args) {
    const auto entries = openStore()->entries();
    if (args[0] == "-") {
        fmt::writeExport(std::cout, entries);
        std::cout.flush();
        return std::cout ? kOk : kFailed;
    }
    std::ofstream out(args[0], std::ios::binary | std::ios::trunc);
    if (out) fmt::writeExport(out, entries);
    out.close();
    if (!out) {
        std::cerr << "kivra-settings: cannot write " << args[0] << "\n";
        return kFailed;
    }
    return kOk;
}

int importFrom(const std::vector<std::string>& args) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (args[0] != "-") {
        file.open(args[0], std::ios::binary);
        if (!file) {
            std::cerr << "kivra-settings: cannot read " << args[0] << "\n";
            return kFailed;
        }
        in = &file;
    }
    auto parsed = fmt::parseExport(*in);
    if (auto* err = std::get_if<fmt::ParseError>(&parsed)) {
        std::cerr << "kivra-settings: " << (args[0] == "-" ? "<stdin>" : args[0]) << ":" << err->line << ": "
                  << err->message << "\nNothing was imported.\n";
        return kFailed;
    }
    const auto& entries = std::get<std::vector<kivra::StoredEntry>>(parsed);
    auto store = openStore();
    kivra::StoreBatch batch(*store);
    for (const kivra::StoredEntry& e : entries) store->write(e.app(), e.section(), e.key, e.value);
    batch.commit();
    std::cerr << "kivra-settings: imported " << entries.size() << " values\n";
    return kOk;
}

int path(const std::vector<std::string>&) {
    const std::string where = kivra::defaultStoreLocation();
    if (where.empty()) {
        std::cerr << "kivra-settings: no settings folder: HOME is not set\n";
        return kFailed;
    }
    std::cout << where << "\n";
    return kOk;
}

int autostart(const std::vector<std::string>& args) {
    const std::string& what = args[0];
    if (what == "status") {
        std::cout << (kivra::autostartEnabled() ? "on" : "off") << "\n";
        return kOk;
    }
    if (what != "on" && what != "off") return usageError("autostart takes on, off or status");
    const bool on = what == "on";
    const std::string error = kivra::setAutostart(on, kivra::mainProgramBesideThisOne());
    if (!error.empty()) {
        std::cerr << "kivra-settings: " << error << "\n";
        return kFailed;
    }
    std::cout << (on ? "Kivra starts at login: " : "Kivra does not start at login: ") << kivra::autostartLocation()
              << "\n";
    return kOk;
}

struct Command {
    const char* name;
    size_t minArgs;
    size_t maxArgs;
    int (*run)(const std::vector<std::string>&);
};

constexpr Command kCommands[] = {
    {"get", 3, 3, get},
    {"set", 4, 4, set},
    {"delete-section", 2, 2, deleteSection},
    {"list", 0, 1, list},
    {"export", 1, 1, exportTo},
    {"import", 1, 1, importFrom},
    {"path", 0, 0, path},
    {"autostart", 1, 1, autostart},
};

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc < 2) return usageError("missing command");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << kUsageText << kivra::storeLocationHelp();
        return kOk;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (name != command.name) continue;
        if (args.size() < command.minArgs || args.size() > command.maxArgs)
            return usageError("wrong number of arguments for '" + name + "'");
        try {
            return command.run(args);
        } catch (const KivraError& e) {
            printError(e);
            return kFailed;
        } catch (const std::exception& e) {
            std::cerr << "kivra-settings: " << e.what() << "\n";
            return kFailed;
        }
    }
    return usageError("unknown command '" + name + "'");
}
