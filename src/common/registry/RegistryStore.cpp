// The registry store: application name parts and sections as keys below one root key of
// HKEY_CURRENT_USER, settings as REG_SZ values; the same rules as the file store of Linux.
#include "RegistryStore.h"

#include "ErrorReport.h"
#include "SystemText.h"
#include "Utf16Text.h"
#include "Win32Error.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kivra {

namespace {

constexpr size_t kMaxKeyName = 255;      // UTF-16 units in one key name
constexpr size_t kMaxValueName = 16383;  // UTF-16 units in one value name
constexpr std::string_view kHive = "HKEY_CURRENT_USER";

// An open registry key, closed with the object.
class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    HKEY get() const { return key_; }
    HKEY* out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

bool isMissing(LSTATUS rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

std::vector<std::string_view> segmentsOf(std::string_view path) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        if (slash == std::string_view::npos) return parts;
        start = slash + 1;
    }
}

// Why `path` cannot name a key, or empty when it can.
std::string pathProblem(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return "contains a NUL character";
    for (const std::string_view part : segmentsOf(path)) {
        if (part.empty()) return "has an empty part";
        if (toUtf16(part).size() > kMaxKeyName) return "has a part longer than 255 characters";
    }
    return {};
}

// Why `key` cannot name a value, or empty when it can.
std::string keyProblem(std::string_view key) {
    if (key.find('\0') != std::string_view::npos) return "contains a NUL character";
    if (toUtf16(key).size() > kMaxValueName) return "is longer than 16383 characters";
    return {};
}

std::string joinPath(std::string_view app, std::string_view section) {
    std::string path(app);
    path += '\\';
    path += section;
    return path;
}

KivraError failure(LSTATUS rc, std::string_view doing, const std::string& where) {
    return KivraError(errorNumberFromWin32(static_cast<unsigned long>(rc)),
                      win32::systemMessage(static_cast<unsigned long>(rc)) + " (" + std::string(doing) + " " + where + ")");
}

// A value's data as the store's text; nothing for types that hold no text or number.
std::optional<std::string> textOf(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring text(data.size() / sizeof(wchar_t), L'\0');
        if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        if (!text.empty() && text.back() == L'\0') text.pop_back();  // the terminator
        return fromUtf16(text);
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        if (data.size() < 4) return std::nullopt;
        std::uint32_t n = 0;
        std::memcpy(&n, data.data(), 4);
        if (type == REG_DWORD_BIG_ENDIAN) n = (n >> 24) | ((n >> 8) & 0xff00) | ((n << 8) & 0xff0000) | (n << 24);
        return std::to_string(n);
    }
    case REG_QWORD: {
        if (data.size() < 8) return std::nullopt;
        std::uint64_t n = 0;
        std::memcpy(&n, data.data(), 8);
        return std::to_string(n);
    }
    default: return std::nullopt;
    }
}

std::optional<std::string> valueText(HKEY key, const std::wstring& name) {
    std::vector<BYTE> data(256);
    DWORD type = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        const LSTATUS rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            data.resize(std::max<size_t>(size, data.size() * 2));
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::nullopt;
        data.resize(size);
        return textOf(type, data);
    }
}

// Names in the order the file store lists them: bytes compared with ASCII letters folded.
int compareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto fold = [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
        };
        const unsigned x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The stored spelling of the subkey of `parent` that `name` finds, if there is one.
std::optional<std::wstring> storedName(HKEY parent, const std::wstring& name) {
    wchar_t buffer[kMaxKeyName + 1];
    for (DWORD i = 0;; ++i) {
        DWORD length = kMaxKeyName + 1;
        const LSTATUS rc = RegEnumKeyExW(parent, i, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return std::nullopt;
        if (rc != ERROR_SUCCESS) continue;
        if (CompareStringOrdinal(buffer, static_cast<int>(length), name.data(), static_cast<int>(name.size()), TRUE) ==
            CSTR_EQUAL)
            return std::wstring(buffer, length);
    }
}

// Every value of `key` and of the keys below it. Values of a key fewer than two levels below
// the root (`depth`) have no application name and section, so no read could reach them.
void collect(HKEY key, const std::string& path, int depth, const std::string& where,
             std::vector<StoredEntry>& result) {
    DWORD subkeys = 0, values = 0, maxValueName = 0;
    LSTATUS rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, &maxValueName,
                                  nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) throw failure(rc, "reading", where + "\\" + path);

    if (depth >= 2) {
        std::vector<wchar_t> name(maxValueName + 1);
        for (DWORD i = 0;; ++i) {
            DWORD length = static_cast<DWORD>(name.size());
            rc = RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc == ERROR_MORE_DATA) {  // a longer name was added since we asked
                name.resize(std::max<size_t>(name.size() * 2, kMaxValueName + 1));
                --i;
                continue;
            }
            if (rc != ERROR_SUCCESS) throw failure(rc, "reading", where + "\\" + path);
            const std::wstring valueName(name.data(), length);
            if (valueName.find(L'\0') != std::wstring::npos) continue;
            if (auto text = valueText(key, valueName)) result.push_back({path, fromUtf16(valueName), *text});
        }
    }

    wchar_t child[kMaxKeyName + 1];
    for (DWORD i = 0;; ++i) {
        DWORD length = kMaxKeyName + 1;
        rc = RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) throw failure(rc, "reading", where + "\\" + path);
        const std::string childPath = path + "\\" + fromUtf16(std::wstring_view(child, length));
        Key sub;
        rc = RegOpenKeyExW(key, std::wstring(child, length).c_str(), 0, KEY_READ, sub.out());
        if (isMissing(rc)) continue;  // deleted while we looked
        if (rc != ERROR_SUCCESS) throw failure(rc, "reading", where + "\\" + childPath);
        collect(sub.get(), childPath, depth + 1, where, result);
    }
}

// "HKEY_CURRENT_USER\X" or "HKCU\X" names the key X; surrounding backslashes are dropped.
std::string normalizedRoot(std::string_view root) {
    for (const std::string_view hive : {kHive, std::string_view("HKCU")}) {
        if (root.size() >= hive.size() &&
            compareNoCase(std::string(root.substr(0, hive.size())), std::string(hive)) == 0 &&
            (root.size() == hive.size() || root[hive.size()] == '\\')) {
            root.remove_prefix(hive.size());
            break;
        }
    }
    while (!root.empty() && root.front() == '\\') root.remove_prefix(1);
    while (!root.empty() && root.back() == '\\') root.remove_suffix(1);
    return std::string(root);
}

}  // namespace

RegistryStore::RegistryStore(std::string_view root) : root_(normalizedRoot(root)) {
    if (root_.empty()) return;  // HKEY_CURRENT_USER itself
    if (const std::string problem = pathProblem(root_); !problem.empty())
        throw KivraError(errnum::BadFileName, "Settings key name " + problem + ": " + std::string(root));
}

RegistryStore::RegistryStore(KivraError reason) : unavailable_(std::move(reason)) {}

std::string RegistryStore::location() const {
    return root_.empty() ? std::string(kHive) : std::string(kHive) + "\\" + root_;
}

std::string RegistryStore::locationOf(std::string_view path) const { return location() + "\\" + std::string(path); }

std::wstring RegistryStore::keyPath(std::string_view path) const {
    return toUtf16(root_.empty() ? std::string(path) : root_ + "\\" + std::string(path));
}

void RegistryStore::requirePlace() const {
    if (unavailable_) throw *unavailable_;
}

std::optional<KivraError> RegistryStore::check() const {
    if (unavailable_) return unavailable_;
    for (const std::string_view path : {kProgramsTree, std::string_view()}) {
        Key key;
        const std::wstring where = path.empty() ? toUtf16(root_) : keyPath(path);
        const LSTATUS rc = RegOpenKeyExW(HKEY_CURRENT_USER, where.c_str(), 0, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                         key.out());
        if (rc == ERROR_SUCCESS) return std::nullopt;
        if (isMissing(rc)) continue;  // created by the first write
        const std::string name = path.empty() ? location() : locationOf(path);
        if (rc == ERROR_ACCESS_DENIED)
            return KivraError(errnum::PermissionDenied, "Settings key is read-only (" + name + ")");
        return failure(rc, "opening", name);
    }
    return std::nullopt;
}

std::string RegistryStore::read(std::string_view app, std::string_view section, std::string_view key,
                                std::string_view fallback) {
    try {
        const std::string path = joinPath(app, section);
        if (unavailable_ || !pathProblem(path).empty() || !keyProblem(key).empty()) return std::string(fallback);
        Key k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath(path).c_str(), 0, KEY_QUERY_VALUE, k.out()) != ERROR_SUCCESS)
            return std::string(fallback);
        if (auto text = valueText(k.get(), toUtf16(key))) return *text;
    } catch (...) {
    }
    return std::string(fallback);
}

void RegistryStore::write(std::string_view app, std::string_view section, std::string_view key,
                          std::string_view value) {
    requirePlace();
    const std::string path = joinPath(app, section);
    if (const std::string problem = pathProblem(path); !problem.empty())
        throw KivraError(errnum::BadFileName, "Settings name " + problem + ": " + path);
    if (const std::string problem = keyProblem(key); !problem.empty())
        throw KivraError(errnum::BadFileName, "Settings key " + problem + " (in " + path + ")");

    std::wstring data = toUtf16(value);
    data += L'\0';
    if (data.size() * sizeof(wchar_t) > MAXDWORD)
        throw KivraError(errorNumberFromErrno(EFBIG), "Setting too large (" + locationOf(path) + ")");

    Key k;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, k.out(), nullptr);
    if (rc != ERROR_SUCCESS) throw failure(rc, "creating", locationOf(path));
    rc = RegSetValueExW(k.get(), toUtf16(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) throw failure(rc, "saving a setting in", locationOf(path));
}

void RegistryStore::deleteSection(std::string_view app, std::string_view section) {
    requirePlace();
    const std::string path = joinPath(app, section);
    // A name no key can have holds nothing; above all, an empty part must never make the
    // delete reach a level higher up.
    if (!pathProblem(path).empty()) return;
    const LSTATUS rc = RegDeleteTreeW(HKEY_CURRENT_USER, keyPath(path).c_str());
    if (rc != ERROR_SUCCESS && !isMissing(rc)) throw failure(rc, "deleting settings in", locationOf(path));
}

std::vector<StoredEntry> RegistryStore::entries(std::string_view under) {
    requirePlace();
    const std::string scope(under.empty() ? kProgramsTree : under);
    std::vector<StoredEntry> result;
    if (!pathProblem(scope).empty()) return result;

    // Walk down to the scope level by level to learn the spelling each key was created with.
    Key current;
    LSTATUS rc = RegOpenKeyExW(HKEY_CURRENT_USER, toUtf16(root_).c_str(), 0, KEY_READ, current.out());
    if (isMissing(rc)) return result;
    if (rc != ERROR_SUCCESS) throw failure(rc, "reading", location());
    std::string stored;
    int depth = 0;
    for (const std::string_view part : segmentsOf(scope)) {
        const auto name = storedName(current.get(), toUtf16(part));
        if (!name) return result;
        Key next;
        rc = RegOpenKeyExW(current.get(), name->c_str(), 0, KEY_READ, next.out());
        if (isMissing(rc)) return result;
        stored += (stored.empty() ? "" : "\\") + fromUtf16(*name);
        if (rc != ERROR_SUCCESS) throw failure(rc, "reading", locationOf(stored));
        std::swap(*current.out(), *next.out());
        ++depth;
    }
    collect(current.get(), stored, depth, location(), result);
    std::stable_sort(result.begin(), result.end(), [](const StoredEntry& a, const StoredEntry& b) {
        const int byPath = compareNoCase(a.path, b.path);
        return byPath != 0 ? byPath < 0 : compareNoCase(a.key, b.key) < 0;
    });
    return result;
}

}  // namespace kivra
