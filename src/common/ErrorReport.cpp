// The error report's texts (caption, description, cause, remedy) and the mapping of
// operating-system failures onto the system's error numbers.
#include "ErrorReport.h"

#include "KivraError.h"

#include <cerrno>
#include <string_view>

namespace kivra {

namespace {

constexpr std::string_view kCaption = "[Kivra] Qbase 5.0 Error Number:";
constexpr std::string_view kDescriptionLabel = "Description: ";
constexpr size_t kDescriptionLimit = 40;  // characters, the label included

// An errno value outside the table becomes kOtherErrnoBase + errno.
constexpr int kOtherErrnoBase = 1000;

struct ReportRow {
    int number;
    std::string_view fixedDescription;  // empty: the platform's text is shown
    std::string_view cause;
    std::string_view remedy;
};

constexpr ReportRow kRows[] = {
    {errnum::OutOfMemory, "", "not enough system memory is available", "close applications or Kivra host links"},
    {errnum::BadFileName, "", "invalid filename", "correct filename or select another file"},
    {errnum::FileNotFound, "Description: File not found", "file is missing or filename invalid",
     "correct filename or select another file"},
    {errnum::DeviceIO, "", "device is broken or inoperative", "reset device or replace if broken"},
    {errnum::DeviceUnavailable, "", "device is offline or media not inserted", "place device online or insert media"},
    {errnum::PermissionDenied, "", "insufficient access rights or RO file", "get access rights or remove RO attrib."},
    {errnum::DiskNotReady, "Description: Disk not ready", "drive door open or media not inserted",
     "close drive door or insert media"},
    {errnum::PathFileAccess, "Description: Path/File access error", "media write protected or invalid path",
     "remove write protection or correct path"},
    {errnum::PathNotFound, "Description: Path not found", "Path is missing or pathname invalid",
     "Correct path or select another path"},
    {errnum::DamagedStore, "", "settings file damaged or not a database", "old file kept (below); import a backup"},
};

const ReportRow* rowFor(int number) {
    for (const ReportRow& row : kRows)
        if (row.number == number) return &row;
    return nullptr;
}

// Length in bytes of the UTF-8 sequence starting at text[i]; a malformed sequence counts as
// one byte, so every byte belongs to exactly one character.
size_t sequenceLength(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t len = 1;
    if (lead >= 0xC2 && lead <= 0xDF) len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) len = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) len = 4;
    if (i + len > text.size()) return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    return len;
}

// The first `limit` characters of the text, never splitting a UTF-8 sequence.
std::string firstCharacters(std::string_view text, size_t limit) {
    size_t i = 0;
    for (size_t count = 0; i < text.size() && count < limit; ++count) i += sequenceLength(text, i);
    return std::string(text.substr(0, i));
}

// A line break inside the platform's text would add lines to the report: show it as a blank.
std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

}  // namespace

ErrorReportText formatErrorReport(int number, const std::string& platformDescription, const std::string& detail) {
    ErrorReportText report;
    report.caption = std::string(kCaption) + (number >= 0 ? " " : "") + std::to_string(number);

    const ReportRow* row = rowFor(number);
    std::string description = row && !row->fixedDescription.empty()
                                  ? std::string(row->fixedDescription)
                                  : std::string(kDescriptionLabel) + oneLine(platformDescription);
    description = firstCharacters(description, kDescriptionLimit);

    const std::string_view cause = row ? row->cause : std::string_view();
    const std::string_view remedy = row ? row->remedy : std::string_view();
    report.body = description + "\r\nCause: " + std::string(cause) + "\r\nRemedy: " + std::string(remedy);
    if (!detail.empty()) report.body += "\r\n" + oneLine(detail);
    return report;
}

bool isDriveFailure(int number) {
    return number == errnum::DeviceIO || number == errnum::DeviceUnavailable || number == errnum::DiskNotReady;
}

int errorNumberFromErrno(int err) {
    switch (err) {
    case ENOMEM: return errnum::OutOfMemory;
    case ENAMETOOLONG:
    case EINVAL: return errnum::BadFileName;
    case ENOENT: return errnum::FileNotFound;
    case EIO: return errnum::DeviceIO;
    case ENXIO:
    case ENODEV:
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
        return errnum::DeviceUnavailable;
    case EACCES:
    case EPERM: return errnum::PermissionDenied;
    // A busy device or file, a read-only file system, a folder where a file was expected:
    // the path cannot be used as asked.
    case EBUSY:
    case ETXTBSY:
    case EROFS:
    case EISDIR: return errnum::PathFileAccess;
    case ENOTDIR:
    case ELOOP: return errnum::PathNotFound;
    default: return kOtherErrnoBase + err;
    }
}

int errorNumberFromErrorCode(const std::error_code& ec) {
    const std::error_condition condition = ec.default_error_condition();
    if (condition.category() == std::generic_category()) return errorNumberFromErrno(condition.value());
#ifndef _WIN32
    // Here system errors are errno values, including those std::errc has no name for (ENOMEDIUM).
    if (ec.category() == std::system_category()) return errorNumberFromErrno(ec.value());
#endif
    return kOtherErrnoBase;
}

}  // namespace kivra
