// Start at login on Linux: a desktop entry in the user's XDG autostart folder.
#include "Autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifndef KIVRA_APP_ID
#define KIVRA_APP_ID "org.kivra.Kivra"
#endif

namespace kivra {

namespace {

namespace fs = std::filesystem;

fs::path configHome() {
    // The XDG rule: a relative or empty XDG_CONFIG_HOME is ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config";
    return {};
}

fs::path entryFile() {
    const fs::path home = configHome();
    return home.empty() ? fs::path() : home / "autostart" / (KIVRA_APP_ID ".desktop");
}

// The program as one argument of an Exec key: quoted where the desktop entry rules reserve a
// character, then escaped as a string value (a backslash doubled once more), '%' doubled.
std::string execArgument(const std::string& program) {
    const bool plain = program.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos;
    std::string arg;
    if (!plain) arg += '"';
    for (char c : program) {
        if (c == '%') arg += "%%";
        else if (!plain && (c == '"' || c == '`' || c == '$')) arg += std::string("\\\\") + c;
        else if (c == '\\') arg += "\\\\\\\\";
        else if (c == '\n') arg += "\\n";
        else arg += c;
    }
    if (!plain) arg += '"';
    return arg;
}

}  // namespace

std::string mainProgramBesideThisOne() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("kivra") : (self.parent_path() / "kivra").string();
}

bool autostartEnabled() {
    const fs::path file = entryFile();
    std::ifstream in(file);
    if (file.empty() || !in) return false;
    // A session's own settings may keep the entry but switch it off.
    for (std::string line; std::getline(in, line);)
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    return true;
}

std::string setAutostart(bool on, const std::string& mainProgram) {
    const fs::path file = entryFile();
    if (file.empty()) return "no settings folder: HOME is not set";
    std::error_code ec;
    if (!on) {
        fs::remove(file, ec);
        return ec ? "cannot remove " + file.string() + ": " + ec.message() : std::string();
    }
    fs::create_directories(file.parent_path(), ec);
    if (ec) return "cannot create " + file.parent_path().string() + ": " + ec.message();
    std::ostringstream text;
    text << "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Kivra\n"
            "Comment=Cover part of another application's window with a picture\n"
         << "Exec=" << execArgument(mainProgram) << "\n"
         << "Icon=" KIVRA_APP_ID "\n"
            "Terminal=false\n";
    // Written beside and renamed, so that a session starting now never reads half an entry.
    const fs::path part = file.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.close();
        if (!out) {
            fs::remove(part, ec);
            return "cannot write " + part.string();
        }
    }
    fs::rename(part, file, ec);
    return ec ? "cannot write " + file.string() + ": " + ec.message() : std::string();
}

std::string autostartLocation() { return entryFile().string(); }

}  // namespace kivra
