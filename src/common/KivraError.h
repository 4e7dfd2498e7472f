// A failure of the settings store, the file system or the picture loader,
// carried as the system's own error number and the platform's description.
#pragma once

#include <stdexcept>
#include <string>

namespace kivra {

// The system's error numbers (see ErrorReport.h for their texts).
namespace errnum {
constexpr int InvalidProcedureCall = 5;
constexpr int OutOfMemory = 7;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
}  // namespace errnum

class KivraError : public std::runtime_error {
public:
    KivraError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

}  // namespace kivra
