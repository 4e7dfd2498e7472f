// Single instance on Windows: a named mutex in the session's own namespace, named after the
// program and the user's security id. The system removes it with the last handle, so a
// holder that crashed or was killed never leaves it behind.
#include "SingleInstance.h"

#include "SystemText.h"

#include <windows.h>

#include <sddl.h>

#include <vector>

namespace kivra {

namespace {

class MutexLock : public SingleInstanceLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
    ~MutexLock() override { CloseHandle(mutex_); }

private:
    HANDLE mutex_;
};

// The user's security id as text ("S-1-5-21-..."), else the user name, else nothing: other
// users in the same session (run as another user) get locks of their own.
std::wstring userTag() {
    HANDLE token = nullptr;
    std::wstring tag;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        wchar_t* sid = nullptr;
        if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
            ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            tag = sid;
            LocalFree(sid);
        }
        CloseHandle(token);
    }
    if (tag.empty()) {
        wchar_t name[257] = {};
        DWORD length = 257;
        if (GetUserNameW(name, &length)) tag = name;
    }
    return tag;
}

}  // namespace

std::unique_ptr<SingleInstanceLock> acquireSingleInstance(const std::string& program) {
    std::wstring name = L"Local\\" + win32::widen(program) + L"-" + userTag();
    for (size_t i = 6; i < name.size(); ++i)
        if (name[i] == L'\\') name[i] = L'_';  // only the namespace ends in a backslash
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD err = GetLastError();
    if (!mutex) {
        // The object exists but may not be opened: held by another instance of this user
        // running with other rights (elevated). Anything else: the program may run.
        if (err == ERROR_ACCESS_DENIED) return nullptr;
        return std::make_unique<SingleInstanceLock>();
    }
    if (err == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::make_unique<MutexLock>(mutex);
}

}  // namespace kivra
