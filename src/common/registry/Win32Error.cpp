// Windows error codes mapped onto the error report's numbers.
#include "Win32Error.h"

#include "ErrorReport.h"
#include "KivraError.h"

#include <windows.h>

#include <cerrno>

namespace kivra {

int errorNumberFromWin32(unsigned long code) {
    switch (code) {
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES: return errnum::OutOfMemory;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_PARAMETER:
    case ERROR_BADKEY: return errnum::BadFileName;
    case ERROR_FILE_NOT_FOUND: return errnum::FileNotFound;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_CANTREAD:
    case ERROR_CANTWRITE:
    case ERROR_REGISTRY_IO_FAILED: return errnum::DeviceIO;
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED: return errnum::DeviceUnavailable;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return errnum::PermissionDenied;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE: return errnum::DiskNotReady;
    // Write-protected media, a file or key in use or deleted under us: the path cannot be
    // used as asked.
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CANTOPEN:
    case ERROR_KEY_DELETED:
    case ERROR_CHILD_MUST_BE_VOLATILE: return errnum::PathFileAccess;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return errnum::PathNotFound;
    // The same number as a full disk on Linux.
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return errorNumberFromErrno(ENOSPC);
    default: return kOtherWin32Base + static_cast<int>(code);
    }
}

}  // namespace kivra
