// Error report texts, drive failures and the mapping of errno values onto the numbers.
#include "ErrorReport.h"
#include "KivraError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

namespace kivra {
namespace {

std::string firstLine(int number, const std::string& text) {
    const std::string body = formatErrorReport(number, text).body;
    return body.substr(0, body.find("\r\n"));
}

// A number with its own description ignores the platform text.
TEST(ErrorReport, OwnDescriptionsAndTheFortyCharacterCut) {
    EXPECT_EQ(firstLine(53, "No such file or directory"), "Description: File not found");
    EXPECT_EQ(firstLine(70, "Platform says"), "Description: Platform says");
    // An unknown number's description is cut to forty characters, counted as characters
    // without splitting one: 13 characters of label + 27 of text fit; the rest goes.
    const ErrorReportText report = formatErrorReport(1005, "abcdefghijklmnopqrstuvwxyz0123456789");
    EXPECT_EQ(report.body, "Description: abcdefghijklmnopqrstuvwxyz0\r\nCause: \r\nRemedy: ");
    // A multibyte character straddling the cut: 26 ASCII + "€" is 40 characters, 42 bytes.
    const std::string euro = std::string(26, 'a') + "\xE2\x82\xAC" + "\xE2\x82\xAC";
    EXPECT_EQ(firstLine(1005, euro), "Description: " + std::string(26, 'a') + "\xE2\x82\xAC");
    // Line breaks in the platform text do not add lines.
    EXPECT_EQ(firstLine(70, "one\r\ntwo"), "Description: one  two");
}

TEST(ErrorReport, DriveFailuresAreTheThreeDeviceNumbers) {
    std::set<int> drive;
    for (int n = -1; n < 2200; ++n)
        if (isDriveFailure(n)) drive.insert(n);
    EXPECT_EQ(drive, (std::set<int>{57, 68, 71}));
}

TEST(ErrnoMapping, MapsOntoTheTable) {
    const std::pair<int, int> rows[] = {{ENOENT, 53}, {ENOTDIR, 76}, {EACCES, 70}, {EROFS, 75},        {ENOMEM, 7},
                                        {EIO, 57},    {ENOMEDIUM, 68}, {EINVAL, 52}, {ENOSPC, 1000 + ENOSPC}};
    for (const auto& [err, number] : rows) {
        EXPECT_EQ(errorNumberFromErrno(err), number);
        EXPECT_EQ(errorNumberFromErrorCode(std::error_code(err, std::system_category())), number);
    }
    // Other failures land outside the table.
    const std::set<int> table = {7, 52, 53, 57, 68, 70, 71, 75, 76};
    for (int err : {EEXIST, EMFILE, EDQUOT, EAGAIN, EFBIG})
        EXPECT_EQ(table.count(errorNumberFromErrno(err)), 0u) << err;
}

}  // namespace
}  // namespace kivra
