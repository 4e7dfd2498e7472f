// The error reporter's display: the report's texts go through the message box, kind 12.
#include "ReportError.h"

#include "ErrorReport.h"
#include "SessionNotes.h"
#include "ShowMessage.h"

namespace kivra {

namespace {
PictureSelectionRestorer& restorer() {
    static PictureSelectionRestorer hook;
    return hook;
}
}  // namespace

namespace {
void showReport(int number, const std::string& description, const std::string& detail, QWidget* owner) {
    const ErrorReportText report = formatErrorReport(number, description, detail);
    const QString caption = QString::fromStdString(report.caption);
    const QString body = QString::fromStdString(report.body);
    ShowMessage(MsgErrorReport, body, owner, placementFor(owner), caption);
    if (isDriveFailure(number) && restorer())
        restorer()();
}
}  // namespace

void ReportError(int number, const QString& platformDescription, QWidget* owner) {
    showReport(number, platformDescription.toStdString(), {}, owner);
}

void ReportError(const KivraError& error, QWidget* owner) {
    showReport(error.number(), error.description(), error.detail(), owner);
}

void ReportStoreError(const KivraError& error, QWidget* owner) {
    if (firstTimeThisSession("store error " + std::to_string(error.number()))) ReportError(error, owner);
}

void setPictureSelectionRestorer(PictureSelectionRestorer hook) { restorer() = std::move(hook); }

}  // namespace kivra
