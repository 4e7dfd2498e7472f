// The error report's texts: caption and body for an error number, and the
// mapping of platform failures (errno, std::error_code, Qt file errors) onto the numbers.
#pragma once

#include <string>
#include <system_error>

namespace kivra {

struct ErrorReportText {
    std::string caption;  // "[Kivra] Qbase 5.0 Error Number: 53"
    std::string body;     // description line CR LF "Cause: ..." CR LF "Remedy: .." [CR LF detail]
};

// Builds the report for an error number and the platform's description of it; a `detail`
// line (a file's full name) follows the remedy whole.
ErrorReportText formatErrorReport(int number, const std::string& platformDescription,
                                  const std::string& detail = {});

// True for the numbers after which the picture file selection is restored (57, 68, 71).
bool isDriveFailure(int number);

// Maps an errno value (ENOENT, EACCES, ...) onto the system's error numbers.
int errorNumberFromErrno(int err);
int errorNumberFromErrorCode(const std::error_code& ec);

}  // namespace kivra
