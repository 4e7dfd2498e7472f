// The error reporter's display: the report's texts go through the message box, kind 12.
#include "ReportError.h"

#include "ErrorReport.h"
#include "ShowMessage.h"

namespace kivra {

namespace {
PictureSelectionRestorer& restorer() {
    static PictureSelectionRestorer hook;
    return hook;
}
}  // namespace

void ReportError(int number, const QString& platformDescription, QWidget* owner) {
    const ErrorReportText report = formatErrorReport(number, platformDescription.toStdString());
    const QString caption = QString::fromStdString(report.caption);
    const QString body = QString::fromStdString(report.body);
    ShowMessage(MsgErrorReport, body, owner, placementFor(owner), caption);
    if (isDriveFailure(number) && restorer())
        restorer()();
}

void ReportError(const KivraError& error, QWidget* owner) {
    ReportError(error.number(), QString::fromStdString(error.description()), owner);
}

void setPictureSelectionRestorer(PictureSelectionRestorer hook) { restorer() = std::move(hook); }

}  // namespace kivra
