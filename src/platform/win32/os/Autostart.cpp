// Start at login on Windows: the value "Kivra" under the user's Run key, holding the quoted
// path of the main program.
#include "Autostart.h"

#include "SystemText.h"

#include <windows.h>

#include <vector>

#ifndef KIVRA_MAIN_PROGRAM_FILE
#define KIVRA_MAIN_PROGRAM_FILE "kivra.exe"
#endif

namespace kivra {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValueName = L"Kivra";

}  // namespace

std::string mainProgramBesideThisOne() {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring self(buffer.data(), n);
    const size_t slash = self.find_last_of(L"\\/");
    const std::string folder = slash == std::wstring::npos ? std::string() : win32::narrow(self.substr(0, slash + 1));
    return folder + KIVRA_MAIN_PROGRAM_FILE;
}

bool autostartEnabled() {
    DWORD type = 0;
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, &type, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string setAutostart(bool on, const std::string& mainProgram) {
    HKEY key = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return "cannot open the Run key: " + win32::systemMessage(rc);
    if (on) {
        const std::wstring command = L"\"" + win32::widen(mainProgram) + L"\"";
        rc = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    } else {
        rc = RegDeleteValueW(key, kValueName);
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string() : "cannot change the Run value: " + win32::systemMessage(rc);
}

std::string autostartLocation() {
    return "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Kivra";
}

}  // namespace kivra
