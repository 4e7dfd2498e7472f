// A failure of the settings store, the file system or the picture loader,
// carried as the system's own error number and the platform's description.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

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
// A damaged settings file was set aside and replaced (outside the platform's numbering).
constexpr int DamagedStore = 321;
}  // namespace errnum

// What a failure of the store means for a save that can wait: a store that another program
// holds locked past the wait limit keeps the values in a recovery file instead.
enum class StoreFailure { Other, Locked };

class KivraError : public std::runtime_error {
public:
    // `detail`: a line the report shows whole below cause and remedy (a file's full name),
    // where the description line is cut to 40 characters.
    KivraError(int number, const std::string& description, std::string detail = {},
               StoreFailure failure = StoreFailure::Other)
        : std::runtime_error(description), number_(number), detail_(std::move(detail)), failure_(failure) {}
    int number() const { return number_; }
    std::string description() const { return what(); }
    const std::string& detail() const { return detail_; }
    StoreFailure storeFailure() const { return failure_; }

private:
    int number_;
    std::string detail_;
    StoreFailure failure_;
};

}  // namespace kivra
